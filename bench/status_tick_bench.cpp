// One link tick of the Status page (its timer fired and handled, with what the tick leaves to paint)
// against the configuration calls that a tick on a connected card makes, called one after the other.
#include "comparison.h"
#include "page_host.h"

#include <Config.h>

#include <gwes/gwes.h>

#include <memory>

namespace
{

struct StatusWorld
{
    CConfig page;
    bench::PageHost host;
};

StatusWorld* World(benchmark::State& state)
{
    static std::unique_ptr<StatusWorld> s_world;
    static bool s_shown = false;
    if (!s_world)
    {
        s_world = std::make_unique<StatusWorld>();
        bench::AtTeardown([] { s_world.reset(); });
        s_world->page.m_pConfig = s_world->host.config();
        s_world->page.m_strAdapterName = u"WLAN11b1";
        s_shown = s_world->host.Show(&s_world->page);
    }
    if (!s_shown)
    {
        state.SkipWithError("the status page could not be shown");
        return nullptr;
    }
    return s_world.get();
}

void LinkTick(benchmark::State& state)
{
    StatusWorld* world = World(state);
    if (!world)
        return;
    const HWND hPage = world->page.GetSafeHwnd();
    for (auto _ : state)
    {
        if (!gwes::FireTimer(hPage, CConfig::TIMER_LINK))
            return state.SkipWithError("the link timer is not running");
        gwes::ProcessPending();
    }
}

void ConfigurationCalls(benchmark::State& state)
{
    StatusWorld* world = World(state);
    if (!world)
        return;
    AdapterConfig& config = *world->host.config();
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
