// The MAC register page's Read All (320 register reads and the listing shown in its box) against the 320
// register reads alone, made through the same configuration.
#include "comparison.h"
#include "page_host.h"

#include <MCR.h>
#include <resource.h>

#include <gwes/gwes.h>

#include <memory>

namespace
{

const DWORD kRegisterBytes = 0x500; // 320 registers of 4 bytes

struct McrWorld
{
    CMCR page;
    bench::PageHost host;
};

McrWorld* World(benchmark::State& state)
{
    static std::unique_ptr<McrWorld> s_world;
    static bool s_shown = false;
    if (!s_world)
    {
        s_world = std::make_unique<McrWorld>();
        bench::AtTeardown([] { s_world.reset(); });
        s_world->page.m_pConfig = s_world->host.config();
        s_shown = s_world->host.Show(&s_world->page);
    }
    if (!s_shown)
    {
        state.SkipWithError("the MAC register page could not be shown");
        return nullptr;
    }
    return s_world.get();
}

void ReadAll(benchmark::State& state)
{
    McrWorld* world = World(state);
    if (!world)
        return;
    CMCR& page = world->page;
    const HWND hButton = ::GetDlgItem(page.GetSafeHwnd(), IDC_READ_ALL);
    for (auto _ : state)
    {
        page.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_READ_ALL, BN_CLICKED), reinterpret_cast<LPARAM>(hButton));
        gwes::ProcessPending();
    }
    if (page.m_strOutput.GetLength() == 0)
        state.SkipWithError("Read All listed nothing");
}

void BareReads(benchmark::State& state)
{
    McrWorld* world = World(state);
    if (!world)
        return;
    AdapterConfig& config = *world->host.config();
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
