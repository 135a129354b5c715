// Every cardctl fault, seen where a client meets the driver.
#include "sim_test.h"

using namespace simtest;

namespace
{

class Faults : public DriverTest
{
};

TEST_F(Faults, VersionInitBindAndControlCodeFaults)
{
    HANDLE h = Open();
    ASSERT_EQ(Cardctl("fault version 0x0400050E"), 0);
    uint32_t version = 0;
    ASSERT_TRUE(Control(h, kGetVersion, nullptr, 0, &version, 4));
    EXPECT_EQ(version, 0x0400050Eu);

    ASSERT_EQ(Cardctl("fault init C0010008"), 0);
    EXPECT_EQ(Init(h), 0xC0010008u);
    DWORD error = 0;
    uint8_t list[64];
    EXPECT_FALSE(Control(h, kEnumBindings, nullptr, 0, list, sizeof(list), nullptr, &error))
        << "a refused initialisation leaves the driver uninitialised";

    ASSERT_EQ(Cardctl("fault clear init"), 0);
    EXPECT_EQ(Init(h), 0u);
    ASSERT_EQ(Cardctl("fault bind 1167"), 0);
    EXPECT_FALSE(Bind(h, u"WLAN11b1", &error));
    EXPECT_EQ(error, 1167u);
    ASSERT_EQ(Cardctl("fault clear bind"), 0);
    EXPECT_TRUE(Bind(h, u"WLAN11b1"));

    ASSERT_EQ(Cardctl("fault ioctl 80002000 21"), 0);
    EXPECT_FALSE(Control(h, kGetVersion, nullptr, 0, &version, 4, nullptr, &error));
    EXPECT_EQ(error, 21u);
    ASSERT_EQ(Cardctl("fault clear"), 0);
    EXPECT_TRUE(Control(h, kGetVersion, nullptr, 0, &version, 4));
    EXPECT_EQ(version, 0x0400040Eu);
}

TEST_F(Faults, SubmissionStatusAndCompletionStatusPerObject)
{
    HANDLE h = OpenBound();
    ASSERT_EQ(Cardctl("fault submit FFA0C006"), 0);
    int32_t rssi = 0;
    Outcome o = Query(h, OID_QN40_RSSI, &rssi, 4);
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(o.submit, 0xC0000001u);
    EXPECT_EQ(QueryU32(h, OID_GEN_LINK_SPEED), 110000u) << "other objects are not affected";

    ASSERT_EQ(Cardctl("fault submit any C000009A"), 0);
    uint32_t speed = 0;
    EXPECT_EQ(Query(h, OID_GEN_LINK_SPEED, &speed, 4).submit, 0xC000009Au);
    ASSERT_EQ(Cardctl("fault clear submit"), 0);

    ASSERT_EQ(Cardctl("fault status 00010114 C0010015 set"), 0);
    uint32_t state = 0;
    o = Query(h, OID_GEN_MEDIA_CONNECT_STATUS, &state, 4);
    EXPECT_EQ(o.ndis, 0u) << "a set-only status leaves queries alone";
    ASSERT_EQ(Cardctl("fault status 00010114 C0010015"), 0);
    o = Query(h, OID_GEN_MEDIA_CONNECT_STATUS, &state, 4);
    EXPECT_EQ(o.submit, 0u);
    EXPECT_EQ(o.ndis, 0xC0010015u);
    EXPECT_EQ(o.done, 0u);
}

TEST_F(Faults, AnswerReplacesWhatAQueryReturns)
{
    HANDLE h = OpenBound();
    ASSERT_EQ(Cardctl("fault answer 00010114 02000000"), 0);
    EXPECT_EQ(QueryU32(h, OID_GEN_MEDIA_CONNECT_STATUS), 2u);
    ASSERT_EQ(Cardctl("fault answer FFA0C00F 02040000"), 0);
    uint8_t rates[8] = {};
    Outcome o = Query(h, OID_QN40_DESIRED_RATES, rates, 8);
    EXPECT_EQ(o.done, 4u);
    EXPECT_EQ(rates[0], 2);
    EXPECT_EQ(rates[1], 4);
    uint8_t small[2];
    o = Query(h, OID_QN40_DESIRED_RATES, small, 2);
    EXPECT_EQ(o.ndis, static_cast<uint32_t>(NDIS_STATUS_INVALID_LENGTH));
    EXPECT_EQ(o.needed, 4u);
}

TEST_F(Faults, PendingForAnObjectCompletesAfterItsTimeOrNever)
{
    HANDLE h = OpenBound();
    ASSERT_EQ(Cardctl("fault pending 00010107 80"), 0);
    uint32_t speed = 0;
    Request late(false, OID_GEN_LINK_SPEED, &speed, 4);
    ASSERT_TRUE(SubmitRecord(h, late));
    ASSERT_EQ(late.SubmitStatus(), 0x103u);
    EXPECT_EQ(WaitForSingleObject(late.event(), 30), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(WaitForSingleObject(late.event(), 3000), WAIT_OBJECT_0);
    EXPECT_EQ(speed, 110000u);

    ASSERT_EQ(Cardctl("fault pending 00010107 forever"), 0);
    Request never(false, OID_GEN_LINK_SPEED, &speed, 4);
    ASSERT_TRUE(SubmitRecord(h, never));
    EXPECT_EQ(WaitForSingleObject(never.event(), 300), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(QueryU32(h, OID_GEN_MEDIA_CONNECT_STATUS), 0u) << "other objects complete at once";
    ASSERT_TRUE(Control(h, kUnbind, nullptr, 0, nullptr, 0));
    EXPECT_EQ(never.NdisStatus(), static_cast<uint32_t>(NDIS_STATUS_REQUEST_ABORTED));
}

TEST_F(Faults, RemovedAdapterRefusesEveryRequestToTheCardOnly)
{
    HANDLE card = OpenBound();
    HANDLE wired = OpenBound(u"USBLAN1");
    ASSERT_EQ(Cardctl("fault removed"), 0);
    uint32_t value = 0;
    EXPECT_EQ(Query(card, OID_GEN_MEDIA_CONNECT_STATUS, &value, 4).ndis,
              static_cast<uint32_t>(NDIS_STATUS_ADAPTER_REMOVED));
    EXPECT_EQ(Set(card, OID_QN40_RADIO, &value, 4).ndis, static_cast<uint32_t>(NDIS_STATUS_ADAPTER_REMOVED));
    EXPECT_EQ(QueryU32(wired, OID_GEN_MEDIA_CONNECT_STATUS), 0u);
    ASSERT_EQ(Cardctl("fault clear removed"), 0);
    EXPECT_EQ(QueryU32(card, OID_GEN_MEDIA_CONNECT_STATUS), 0u);
}

TEST_F(Faults, RegisterAndEepromAccessFailAtTheGivenPlaceOnly)
{
    HANDLE h = OpenBound();
    struct Case
    {
        const char* fault;
        uint32_t oid;
        std::vector<uint8_t> record; // a read or write of the faulty place
        bool set;
        std::vector<uint8_t> neighbour; // the same access one place further
    };
    const Case cases[] = {
        {"bbreg read 12", OID_QN40_BB_REGISTER, {1, 12, 0}, false, {1, 13, 0}},
        {"bbreg write 12 C0010015", OID_QN40_BB_REGISTER, {0, 12, 0x5A}, true, {0, 13, 0x5A}},
        {"macreg read 0x2F4",
         OID_QN40_MAC_REGISTER,
         {1, 0, 0, 0, 0xF4, 2, 0, 0, 0, 0, 0, 0},
         false,
         {1, 0, 0, 0, 0xF8, 2, 0, 0, 0, 0, 0, 0}},
        {"macreg write 0x2F4",
         OID_QN40_MAC_REGISTER,
         {0, 0, 0, 0, 0xF4, 2, 0, 0, 1, 0, 0, 0},
         true,
         {0, 0, 0, 0, 0xF8, 2, 0, 0, 1, 0, 0, 0}},
        {"eeprom read 19", OID_QN40_EEPROM, {1, 1, 19, 0, 0, 0}, false, {1, 1, 20, 0, 0, 0}},
        {"eeprom write 19", OID_QN40_EEPROM, {0, 1, 19, 0, 0x34, 0x12}, true, {0, 1, 20, 0, 0x34, 0x12}},
    };
    for (const Case& c : cases)
    {
        ASSERT_EQ(Cardctl(std::string("fault ") + c.fault), 0) << c.fault;
        const uint32_t expected =
            std::string(c.fault).find("C0010015") != std::string::npos ? 0xC0010015u : 0xC0000001u;
        std::vector<uint8_t> record = c.record;
        Outcome o = Run(h, c.set, c.oid, record.data(), static_cast<uint32_t>(record.size()));
        EXPECT_EQ(o.ndis, expected) << c.fault;
        std::vector<uint8_t> neighbour = c.neighbour;
        o = Run(h, c.set, c.oid, neighbour.data(), static_cast<uint32_t>(neighbour.size()));
        EXPECT_EQ(o.ndis, 0u) << c.fault << " (neighbour)";
        ASSERT_EQ(Cardctl("fault clear"), 0);
        record = c.record;
        EXPECT_EQ(Run(h, c.set, c.oid, record.data(), static_cast<uint32_t>(record.size())).ndis, 0u)
            << c.fault << " (cleared)";
    }
}

TEST_F(Faults, BadFaultArgumentsAreRefused)
{
    const char* bad[] = {"fault",
                         "fault nonsense",
                         "fault version",
                         "fault pending FFA0C006",
                         "fault pending FFA0C006 soon",
                         "fault status FFA0C006",
                         "fault status any 0",
                         "fault answer FFA0C006 0G",
                         "fault bbreg read 256",
                         "fault macreg read 0x2F5",
                         "fault eeprom write 128",
                         "fault ioctl 80002000 0"};
    for (const char* words : bad)
        EXPECT_EQ(Cardctl(words), 2) << words;
    std::string out;
    ASSERT_EQ(Cardctl("fault list", &out), 0);
    EXPECT_NE(out.find("no faults"), std::string::npos);
}

} // namespace
