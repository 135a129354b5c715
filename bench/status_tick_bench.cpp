// One link tick of the Status page (its timer fired and handled, with what the tick leaves to paint)
// against the configuration calls that a tick on a connected card makes, called one after the other.
#include "comparison.h"
#include "page_host.h"

#include <Config.h>

#include <gwes/gwes.h>

namespace
{

void LinkTick(benchmark::State& state)
{
    CConfig* page = bench::SharedPage<CConfig>(state);
    if (!page)
        return;
    page->m_strAdapterName = u"WLAN11b1";
    const HWND hPage = page->GetSafeHwnd();
    for (auto _ : state)
    {
        if (!gwes::FireTimer(hPage, CConfig::TIMER_LINK))
            return state.SkipWithError("the link timer is not running");
        gwes::ProcessPending();
    }
}

void ConfigurationCalls(benchmark::State& state)
{
    CConfig* page = bench::SharedPage<CConfig>(state);
    if (!page)
        return;
    AdapterConfig& config = *page->m_pConfig;
    for (auto _ : state)
    {
        int nBssType = 0, nChannel = 0, nStatus = -1, nQuality = 0, nSignal = 0;
        RadioConfiguration radio = {};
        CString strSsid, strRate, strTipSsid, strBssid;
        const bool bAnswered = (config.GetBssType(&nBssType) & 0xFF) != 0 &&
                               config.GetChannel(&radio, &nChannel) && config.GetSsid(strSsid) &&
                               config.GetMediaConnectStatus(&nStatus) && config.GetTxRateText(strRate) &&
                               config.GetSsid(strTipSsid) && config.GetBssid(strBssid) &&
                               config.GetLinkQuality(&nQuality) && config.GetSignalStrength(&nSignal);
        if (!bAnswered || nStatus != 0)
            return state.SkipWithError("the card is not connected");
    }
}

const bool s_added = bench::AddComparison({"status-tick", 2, LinkTick, ConfigurationCalls});

} // namespace
