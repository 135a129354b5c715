// The protocol driver's control codes other than submission, as a client sends them to PCA4:.
#include "sim_test.h"

using namespace simtest;

namespace
{

class ControlCodes : public DriverTest
{
};

TEST_F(ControlCodes, VersionAnswersInFourBytesAndRefusesAShortBuffer)
{
    HANDLE h = Open();
    uint32_t version = 0;
    DWORD returned = 0;
    ASSERT_TRUE(Control(h, kGetVersion, nullptr, 0, &version, 4, &returned));
    EXPECT_EQ(version, 0x0400040Eu);
    EXPECT_EQ(returned, 4u);

    uint8_t small[3] = {0xAA, 0xAA, 0xAA};
    DWORD error = 0;
    EXPECT_FALSE(Control(h, kGetVersion, nullptr, 0, small, 3, nullptr, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(small[0], 0xAA);
    EXPECT_FALSE(Control(h, kGetVersion, nullptr, 0, nullptr, 4, nullptr, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(ControlCodes, BindingsAndBindNeedTheDriverInitialised)
{
    HANDLE h = Open();
    uint8_t list[128];
    DWORD error = 0;
    EXPECT_FALSE(Control(h, kEnumBindings, nullptr, 0, list, sizeof(list), nullptr, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_NOT_READY));
    EXPECT_FALSE(Bind(h, u"WLAN11b1", &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_NOT_READY));

    EXPECT_EQ(Init(h), 0u);
    EXPECT_TRUE(Bind(h, u"WLAN11b1"));

    // Shutting the initialisation down unbinds every handle.
    uint32_t status = 0xFFFFFFFF;
    EXPECT_TRUE(Control(h, kDeinit, nullptr, 0, &status, 4));
    EXPECT_EQ(status, 0u);
    EXPECT_FALSE(Control(h, kEnumBindings, nullptr, 0, list, sizeof(list), nullptr, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_NOT_READY));
    EXPECT_FALSE(Control(h, kUnbind, nullptr, 0, nullptr, 0, nullptr, &error));
}

TEST_F(ControlCodes, BindingsListIsWholeNamesEndedByAnEmptyName)
{
    HANDLE h = Open();
    Init(h);
    const std::u16string expected(u"USBLAN1\0WLAN11b1\0\0", 18);
    std::vector<uint8_t> list(128, 0xCC);
    DWORD returned = 0;
    ASSERT_TRUE(Control(h, kEnumBindings, nullptr, 0, list.data(), 128, &returned));
    ASSERT_EQ(returned, expected.size() * 2);
    EXPECT_EQ(std::memcmp(list.data(), expected.data(), returned), 0);
    EXPECT_EQ(list[returned], 0xCC) << "nothing written past the list";

    // Exactly the list's size is enough; one byte less gets an error and an untouched buffer.
    std::vector<uint8_t> exact(returned, 0xCC);
    EXPECT_TRUE(Control(h, kEnumBindings, nullptr, 0, exact.data(), returned, &returned));
    std::vector<uint8_t> shortBuffer(returned - 1, 0xCC);
    DWORD error = 0;
    EXPECT_FALSE(Control(h, kEnumBindings, nullptr, 0, shortBuffer.data(), returned - 1, nullptr, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_TRUE(std::all_of(shortBuffer.begin(), shortBuffer.end(), [](uint8_t b) { return b == 0xCC; }));

    // Without the card only the wired adapter is left.
    ASSERT_EQ(Cardctl("eject"), 0);
    ASSERT_TRUE(Control(h, kEnumBindings, nullptr, 0, list.data(), 128, &returned));
    EXPECT_EQ(returned, 18u);
    EXPECT_EQ(std::memcmp(list.data(), u"USBLAN1\0", 18), 0);
}

TEST_F(ControlCodes, BindChecksTheNameItIsGiven)
{
    HANDLE h = Open();
    Init(h);
    struct Case
    {
        const char* what;
        std::vector<uint8_t> input;
        DWORD error;
    };
    auto wide = [](const std::u16string& s, bool terminator)
    {
        std::vector<uint8_t> b;
        for (char16_t c : s)
            b.push_back(static_cast<uint8_t>(c)), b.push_back(static_cast<uint8_t>(c >> 8));
        if (terminator)
            b.push_back(0), b.push_back(0);
        return b;
    };
    const Case cases[] = {
        {"unknown adapter", wide(u"WLAN11b2", true), ERROR_FILE_NOT_FOUND},
        {"no terminator within the length", wide(u"WLAN11b1", false), ERROR_INVALID_PARAMETER},
        {"empty name", wide(u"", true), ERROR_INVALID_PARAMETER},
        {"odd length", {'W', 0, 'L'}, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases)
    {
        DWORD error = 0;
        EXPECT_FALSE(Control(h, kBind, c.input.data(), static_cast<DWORD>(c.input.size()), nullptr, 0,
                             nullptr, &error))
            << c.what;
        EXPECT_EQ(error, c.error) << c.what;
    }
    DWORD error = 0;
    EXPECT_FALSE(Control(h, kBind, nullptr, 18, nullptr, 0, nullptr, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    // Names match without regard to case; a bound handle must be unbound before it binds again.
    EXPECT_TRUE(Bind(h, u"wlan11B1"));
    EXPECT_FALSE(Bind(h, u"USBLAN1", &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_BUSY));
    EXPECT_TRUE(Control(h, kUnbind, nullptr, 0, nullptr, 0));
    EXPECT_FALSE(Control(h, kUnbind, nullptr, 0, nullptr, 0, nullptr, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(Bind(h, u"USBLAN1"));
}

TEST_F(ControlCodes, RequestsOnAnUnboundHandleAreRefusedInTheRecord)
{
    HANDLE h = Open();
    Init(h);
    uint32_t value = 0;
    Outcome o = Query(h, OID_GEN_MEDIA_CONNECT_STATUS, &value, 4);
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(o.submit, static_cast<uint32_t>(NDIS_STATUS_ADAPTER_NOT_OPEN));
}

TEST_F(ControlCodes, RegistrationHandleIsKeptAndFetchedBack)
{
    HANDLE a = Open();
    uint32_t kept = 0x1234ABCD;
    EXPECT_TRUE(Control(a, kSetRegistration, &kept, 4, nullptr, 0));
    HANDLE b = Open();
    uint32_t fetched = 0;
    DWORD returned = 0;
    EXPECT_TRUE(Control(b, kGetRegistration, nullptr, 0, &fetched, 4, &returned));
    EXPECT_EQ(fetched, 0x1234ABCDu);
    EXPECT_EQ(returned, 4u);
    DWORD error = 0;
    EXPECT_FALSE(Control(a, kSetRegistration, &kept, 3, nullptr, 0, nullptr, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(ControlCodes, MayUnloadOnlyWhenNoOtherHandleIsOpen)
{
    HANDLE bound = OpenBound();
    HANDLE asking = Open();
    uint32_t may = 0xFF;
    ASSERT_TRUE(Control(asking, kMayUnload, nullptr, 0, &may, 4));
    EXPECT_EQ(may, 0u);
    CloseOpen(bound);
    ASSERT_TRUE(Control(asking, kMayUnload, nullptr, 0, &may, 4));
    EXPECT_NE(may, 0u);
}

TEST_F(ControlCodes, UnknownCodeFailsCleanly)
{
    HANDLE h = Open();
    uint32_t out = 0x55;
    DWORD error = 0;
    EXPECT_FALSE(Control(h, 0x80002004, nullptr, 0, &out, 4, nullptr, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    EXPECT_EQ(out, 0x55u);
}

} // namespace
