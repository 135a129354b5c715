// One OID query through the whole driver channel (AdapterSession::QueryCustomOID, the client library,
// DeviceIoControl on PCA4:, the protocol driver, NDIS) against the card's miniport answering the same
// request when it is called directly.
#include "comparison.h"

#include <AdapterSession.h>

#include <card/wlan_miniport.h>

#include <memory>

namespace
{

std::unique_ptr<AdapterSession>& Session()
{
    static std::unique_ptr<AdapterSession> s_session;
    if (!s_session)
    {
        s_session = std::make_unique<AdapterSession>(u"WLAN11b1");
        bench::AtTeardown([] { Session().reset(); });
    }
    return s_session;
}

void QueryThroughStack(benchmark::State& state)
{
    AdapterSession& session = *Session();
    if (!session.IsOpened())
        return state.SkipWithError("the session on WLAN11b1 did not open");
    for (auto _ : state)
    {
        DWORD dwStatus = 0, dwNdisStatus = 1;
        if (!session.QueryCustomOID(OID_GEN_MEDIA_CONNECT_STATUS, &dwStatus, sizeof(dwStatus),
                                    &dwNdisStatus) ||
            dwNdisStatus != 0)
            return state.SkipWithError("the query failed");
        benchmark::DoNotOptimize(dwStatus);
    }
}

void QueryMiniport(benchmark::State& state)
{
    sim::WlanMiniport card(sim::CardIdentity());
    for (auto _ : state)
    {
        uint8_t answer[4] = {};
        const sim::RequestResult result = card.Request({false, OID_GEN_MEDIA_CONNECT_STATUS, answer, 4});
        if (result.status != NDIS_STATUS_SUCCESS)
            return state.SkipWithError("the miniport refused the query");
        benchmark::DoNotOptimize(answer);
    }
}

const bool s_added = bench::AddComparison({"oid-query", 3, QueryThroughStack, QueryMiniport});

} // namespace
