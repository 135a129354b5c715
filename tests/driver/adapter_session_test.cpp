#include "driver_test_support.h"

#include "AdapterSession.h"

#include <cstring>

namespace
{

constexpr DWORD kOidNetworkTypeInUse = 0x0D010204;
constexpr DWORD kOidRadio = 0xFFA0C516;
constexpr DWORD kOidRssi = 0x0D010206;

} // namespace

using AdapterSessionTest = DriverChannelTest;

TEST_F(AdapterSessionTest, QueriesAndSetsTheCard)
{
    AdapterSession session(u"WLAN11b1");
    ASSERT_TRUE(session.IsOpened());

    DWORD dwRadio = 0;
    DWORD dwStatus = 0xEEEEEEEE;
    ASSERT_TRUE(session.QueryCustomOID(kOidRadio, &dwRadio, sizeof(dwRadio), &dwStatus));
    EXPECT_EQ(dwStatus, 0u);
    EXPECT_EQ(dwRadio, 1u);

    dwRadio = 0;
    dwStatus = 0xEEEEEEEE;
    ASSERT_TRUE(session.SetCustomOID(kOidRadio, &dwRadio, sizeof(dwRadio), &dwStatus));
    EXPECT_EQ(dwStatus, 0u);
    dwRadio = 7;
    ASSERT_TRUE(session.QueryCustomOID(kOidRadio, &dwRadio, sizeof(dwRadio), &dwStatus));
    EXPECT_EQ(dwRadio, 0u);

    auto sets = Submits(kOidRadio);
    ASSERT_FALSE(sets.empty());
    EXPECT_EQ(sets[1].Number("type"), 1u);
    EXPECT_EQ(sets[1].Bytes("data"), (std::vector<uint8_t>{0, 0, 0, 0}));
    session.Close();
}

TEST_F(AdapterSessionTest, CardRemovedRefusesQueriesButNotSets)
{
    AdapterSession session(u"WLAN11b1");
    ASSERT_TRUE(session.IsOpened());
    sim::requestlog::Clear();
    TestApp().m_bCardRemoved = TRUE;

    DWORD dwValue = 0;
    DWORD dwStatus = 0x5A5A5A5A;
    EXPECT_FALSE(session.QueryCustomOID(kOidNetworkTypeInUse, &dwValue, sizeof(dwValue), &dwStatus));
    EXPECT_EQ(dwStatus, 0x5A5A5A5Au);
    EXPECT_TRUE(Log("submit").empty());

    dwValue = 1;
    EXPECT_TRUE(session.SetCustomOID(kOidRadio, &dwValue, sizeof(dwValue), &dwStatus));
    EXPECT_EQ(Submits(kOidRadio).size(), 1u);
    session.Close();
}

TEST_F(AdapterSessionTest, NdisStatusesReachTheCaller)
{
    AdapterSession session(u"WLAN11b1");
    DWORD dwValue = 0;
    DWORD dwStatus = 0;
    // A failing status still returns TRUE: callers look at the status.
    EXPECT_TRUE(session.QueryCustomOID(0x12345678, &dwValue, sizeof(dwValue), &dwStatus));
    EXPECT_EQ(dwStatus, 0xC00000BBu);

    // The adapter gone from NDIS is the card gone.
    Cardctl("fault removed");
    dwStatus = 0;
    EXPECT_FALSE(session.QueryCustomOID(kOidRssi, &dwValue, sizeof(dwValue), &dwStatus));
    EXPECT_EQ(dwStatus, 0xC0010018u);
    session.Close();
}

TEST_F(AdapterSessionTest, FailedSubmissionOfASetReportsSuccessWithTheStatusUntouched)
{
    AdapterSession session(u"WLAN11b1");
    Cardctl("fault submit FFA0C516 C0000001");
    DWORD dwValue = 1;
    DWORD dwStatus = 0x5A5A5A5A;
    EXPECT_TRUE(session.SetCustomOID(kOidRadio, &dwValue, sizeof(dwValue), &dwStatus));
    EXPECT_EQ(dwStatus, 0x5A5A5A5Au);
    // A failed submission of a query is a failure, status untouched.
    EXPECT_FALSE(session.QueryCustomOID(kOidRadio, &dwValue, sizeof(dwValue), &dwStatus));
    EXPECT_EQ(dwStatus, 0x5A5A5A5Au);
    session.Close();
}

TEST_F(AdapterSessionTest, QueryPendingPastItsLimitIsGivenUpAndALateAnswerTouchesNothing)
{
    AdapterSession session(u"WLAN11b1");
    ASSERT_TRUE(session.IsOpened());
    // The card answers only after 3.5 s, half a second after the session gave up.
    Cardctl("fault pending 0D010206 3500");
    LONG lRssi = 0x11111111;
    DWORD dwStatus = 0x5A5A5A5A;
    DWORD dwStart = GetTickCount();
    EXPECT_FALSE(session.QueryCustomOID(kOidRssi, &lRssi, sizeof(lRssi), &dwStatus));
    DWORD dwElapsed = GetTickCount() - dwStart;
    EXPECT_GE(dwElapsed, 2990u);
    EXPECT_LT(dwElapsed, 3400u);
    EXPECT_EQ(dwStatus, 0x5A5A5A5Au);

    // Let the late completion land; it goes into the given-up request's own buffer.
    Sleep(800);
    EXPECT_EQ(lRssi, 0x11111111);
    auto completions = Log("complete");
    EXPECT_TRUE(std::any_of(completions.begin(), completions.end(),
                            [](const auto& e) { return e.Number("oid") == kOidRssi; }));

    // The next request frees the given-up one; the session carries on normally.
    Cardctl("fault clear");
    EXPECT_TRUE(session.QueryCustomOID(kOidRssi, &lRssi, sizeof(lRssi), &dwStatus));
    EXPECT_EQ(dwStatus, 0u);
    EXPECT_LT(lRssi, 0);
    session.Close();
}

TEST_F(AdapterSessionTest, QueryPendingForeverIsCancelledByClose)
{
    AdapterSession session(u"WLAN11b1");
    Cardctl("fault pending 0D010206 forever");
    LONG lRssi = 0;
    DWORD dwStatus = 0x5A5A5A5A;
    EXPECT_FALSE(session.QueryCustomOID(kOidRssi, &lRssi, sizeof(lRssi), &dwStatus));
    // Unbinding makes the driver finish what it holds, so the given-up record is released at close.
    session.Close();
    EXPECT_FALSE(session.IsOpened());
}

TEST_F(AdapterSessionTest, WhileTheDriverHoldsAGivenUpQueryLaterQueriesFailAtOnce)
{
    AdapterSession session(u"WLAN11b1");
    ASSERT_TRUE(session.IsOpened());
    // The signal query completes 4 s after its submission, a second after the session gave it up.
    Cardctl("fault pending 0D010206 4000");
    LONG lRssi = 0;
    DWORD dwType = 0;
    DWORD dwStatus = 0x5A5A5A5A;
    EXPECT_FALSE(session.QueryCustomOID(kOidRssi, &lRssi, sizeof(lRssi), &dwStatus));
    const size_t nSubmitted = Log("submit").size();

    // Queries of this and of other OIDs neither wait out the limit again nor reach the driver.
    for (DWORD dwOid : {kOidRssi, kOidNetworkTypeInUse})
    {
        SCOPED_TRACE(dwOid);
        DWORD dwStart = GetTickCount();
        EXPECT_FALSE(session.QueryCustomOID(dwOid, &dwType, sizeof(dwType), &dwStatus));
        EXPECT_LT(GetTickCount() - dwStart, 500u);
        EXPECT_EQ(dwStatus, 0x5A5A5A5Au);
    }
    EXPECT_EQ(Log("submit").size(), nSubmitted);
    // Sets wait without limit by design and still go through.
    DWORD dwRadio = 1;
    EXPECT_TRUE(session.SetCustomOID(kOidRadio, &dwRadio, sizeof(dwRadio), &dwStatus));

    // Once the held request has completed, queries reach the card again.
    Cardctl("fault clear");
    Sleep(1200);
    EXPECT_TRUE(session.QueryCustomOID(kOidNetworkTypeInUse, &dwType, sizeof(dwType), &dwStatus));
    EXPECT_EQ(dwStatus, 0u);

    // A request held forever is finished by closing; a session opened again starts clean.
    Cardctl("fault pending 0D010206 forever");
    EXPECT_FALSE(session.QueryCustomOID(kOidRssi, &lRssi, sizeof(lRssi), &dwStatus));
    EXPECT_FALSE(session.QueryCustomOID(kOidNetworkTypeInUse, &dwType, sizeof(dwType), &dwStatus));
    session.Close();
    Cardctl("fault clear");
    AdapterSession reopened(u"WLAN11b1");
    dwStatus = 0x5A5A5A5A;
    EXPECT_TRUE(reopened.QueryCustomOID(kOidNetworkTypeInUse, &dwType, sizeof(dwType), &dwStatus));
    EXPECT_EQ(dwStatus, 0u);
    reopened.Close();
}

TEST_F(AdapterSessionTest, FailedOpenAndRepeatedCloseAreHarmless)
{
    AdapterSession missing(u"NOSUCH1");
    EXPECT_FALSE(missing.IsOpened());
    missing.Close();
    missing.Close();
    DWORD dwValue = 0;
    DWORD dwStatus = 0x5A5A5A5A;
    EXPECT_FALSE(missing.QueryCustomOID(kOidRssi, &dwValue, sizeof(dwValue), &dwStatus));
    EXPECT_EQ(dwStatus, 0x5A5A5A5Au);

    AdapterSession session(u"WLAN11b1");
    ASSERT_TRUE(session.IsOpened());
    session.Close();
    session.Close();
    EXPECT_EQ(Ioctls(IOCTL_W32N_UNBIND_ADAPTER).size(), 1u);
}
