// The MAC register page's Read All (320 register reads and the listing shown in its box) against the 320
// register reads alone, made through the same configuration.
#include "comparison.h"
#include "page_host.h"

#include <MCR.h>
#include <resource.h>

#include <gwes/gwes.h>

namespace
{

const DWORD kRegisterBytes = 0x500; // 320 registers of 4 bytes

void ReadAll(benchmark::State& state)
{
    CMCR* page = bench::SharedPage<CMCR>(state);
    if (!page)
        return;
    const HWND hButton = ::GetDlgItem(page->GetSafeHwnd(), IDC_READ_ALL);
    for (auto _ : state)
    {
        page->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_READ_ALL, BN_CLICKED),
                          reinterpret_cast<LPARAM>(hButton));
        gwes::ProcessPending();
    }
    if (page->m_strOutput.GetLength() == 0)
        state.SkipWithError("Read All listed nothing");
}

void BareReads(benchmark::State& state)
{
    CMCR* page = bench::SharedPage<CMCR>(state);
    if (!page)
        return;
    AdapterConfig& config = *page->m_pConfig;
    for (auto _ : state)
        for (DWORD dwAddress = 0; dwAddress < kRegisterBytes; dwAddress += 4)
        {
            DWORD dwValue = 0;
            if (!config.ReadMacRegister(dwAddress, &dwValue))
                return state.SkipWithError("a register could not be read");
            benchmark::DoNotOptimize(dwValue);
        }
}

const bool s_added = bench::AddComparison({"mac-read-all", 2, ReadAll, BareReads});

} // namespace
