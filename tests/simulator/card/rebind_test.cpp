// NDS0: and its rebind control code: the card's miniport re-reads Comm\WLAN11b1\Parms.
#include "sim_test.h"

using namespace simtest;

namespace
{

class Rebind : public DriverTest
{
protected:
    BOOL Send(DWORD code, const void* input, DWORD length, DWORD* error)
    {
        HANDLE nds = CreateFileW(u"NDS0:", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_ALWAYS, 0, nullptr);
        EXPECT_NE(nds, INVALID_HANDLE_VALUE);
        BOOL ok = DeviceIoControl(nds, code, const_cast<void*>(input), length, nullptr, 0, nullptr, nullptr);
        *error = ok ? 0 : GetLastError();
        CloseHandle(nds);
        return ok;
    }
    // The 100-byte multi-string a caller sends: the name, then zeros.
    static std::vector<char16_t> Names(const std::u16string& name)
    {
        std::vector<char16_t> buffer(50, 0);
        std::copy(name.begin(), name.end(), buffer.begin());
        return buffer;
    }
    void SetParameter(const char16_t* name, const std::u16string& text)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Comm\\WLAN11b1\\Parms", 0, KEY_ALL_ACCESS, &key), 0);
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * 2));
        RegCloseKey(key);
    }
};

TEST_F(Rebind, TheCardPicksUpAChangedRadioOnAndOtherParameters)
{
    HANDLE h = OpenBound();
    ASSERT_EQ(Cardctl("set scantime 0"), 0);
    EXPECT_EQ(QueryU32(h, OID_QN40_RADIO), 1u); // the miniport is running
    SetParameter(u"RadioOn", u"0");
    SetParameter(u"PowerMode", u"1");
    EXPECT_EQ(QueryU32(h, OID_QN40_RADIO), 1u) << "parameters are read at start and rebind only";

    auto names = Names(u"WLAN11b1");
    DWORD error = 0;
    ASSERT_TRUE(Send(IOCTL_NDIS_REBIND_ADAPTER, names.data(), 100, &error)) << error;
    EXPECT_EQ(QueryU32(h, OID_QN40_RADIO), 0u);
    EXPECT_EQ(QueryU32(h, OID_GEN_MEDIA_CONNECT_STATUS), 1u);
    EXPECT_EQ(QueryU32(h, OID_QN40_POWER_MODE), static_cast<uint32_t>(Ndis802_11PowerModeFast_PSP))
        << "the utility's first power-saving choice is the card's fast mode";

    SetParameter(u"RadioOn", u"1");
    ASSERT_TRUE(Send(IOCTL_NDIS_REBIND_ADAPTER, names.data(), 100, &error));
    EXPECT_EQ(QueryU32(h, OID_QN40_RADIO), 1u);
    EXPECT_EQ(QueryU32(h, OID_GEN_MEDIA_CONNECT_STATUS), 0u);
}

TEST_F(Rebind, MalformedOrUnknownInputFailsCleanly)
{
    HANDLE h = OpenBound();
    EXPECT_EQ(QueryU32(h, OID_QN40_RADIO), 1u);
    SetParameter(u"RadioOn", u"0");
    DWORD error = 0;
    auto unknown = Names(u"WLAN11b2");
    EXPECT_FALSE(Send(IOCTL_NDIS_REBIND_ADAPTER, unknown.data(), 100, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    const std::u16string unterminated = u"WLAN11b1";
    EXPECT_FALSE(Send(IOCTL_NDIS_REBIND_ADAPTER, unterminated.data(), 16, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    const std::u16string single(u"WLAN11b1\0", 9); // one zero: not a multi-string
    EXPECT_FALSE(Send(IOCTL_NDIS_REBIND_ADAPTER, single.data(), 18, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(Send(IOCTL_NDIS_REBIND_ADAPTER, nullptr, 100, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    auto names = Names(u"WLAN11b1");
    EXPECT_FALSE(Send(0x00170032, names.data(), 100, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    EXPECT_EQ(QueryU32(h, OID_QN40_RADIO), 1u) << "nothing was rebound";

    ASSERT_EQ(Cardctl("eject"), 0);
    EXPECT_FALSE(Send(IOCTL_NDIS_REBIND_ADAPTER, names.data(), 100, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

} // namespace
