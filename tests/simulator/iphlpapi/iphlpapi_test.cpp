// GetAdaptersInfo: the size query, the list of bindings and the card's address while it is connected.
#include "sim_test.h"

#include <iphlpapi.h>

using namespace simtest;

namespace
{

class AdaptersInfo : public ::testing::Test
{
protected:
    std::vector<IP_ADAPTER_INFO> Fetch()
    {
        ULONG size = 0;
        EXPECT_EQ(GetAdaptersInfo(nullptr, &size), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
        std::vector<IP_ADAPTER_INFO> list(size / sizeof(IP_ADAPTER_INFO));
        EXPECT_EQ(GetAdaptersInfo(list.data(), &size), static_cast<DWORD>(NO_ERROR));
        return list;
    }
    testing_support::TempHandheld m_handheld;
};

TEST_F(AdaptersInfo, SizeQueryThenTheListChainedInTheBuffer)
{
    EXPECT_EQ(GetAdaptersInfo(nullptr, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    ULONG size = 0;
    ASSERT_EQ(GetAdaptersInfo(nullptr, &size), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
    ASSERT_EQ(size, 2 * sizeof(IP_ADAPTER_INFO));
    std::vector<IP_ADAPTER_INFO> list(2);
    ULONG tooSmall = size - 1;
    std::memset(list.data(), 0xCC, sizeof(IP_ADAPTER_INFO));
    EXPECT_EQ(GetAdaptersInfo(list.data(), &tooSmall), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
    EXPECT_EQ(tooSmall, size);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(list.data())[0], 0xCC) << "nothing written to a short buffer";

    ASSERT_EQ(GetAdaptersInfo(list.data(), &size), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(list[0].Next, &list[1]);
    EXPECT_EQ(list[1].Next, nullptr);
    EXPECT_STREQ(list[0].AdapterName, "USBLAN1");
    EXPECT_STREQ(list[1].AdapterName, "WLAN11b1");
    EXPECT_EQ(list[1].AddressLength, 6u);
    const uint8_t mac[6] = {0x00, 0x0A, 0x5D, 0x40, 0x51, 0x2C};
    EXPECT_EQ(std::memcmp(list[1].Address, mac, 6), 0);
    EXPECT_STREQ(list[1].IpAddressList.IpAddress.String, "192.168.1.105");
    EXPECT_STREQ(list[1].IpAddressList.IpMask.String, "255.255.255.0");
}

TEST_F(AdaptersInfo, TheCardHasAnAddressOnlyWhileConnected)
{
    ASSERT_EQ(Cardctl("set ip 10.0.7.33"), 0);
    EXPECT_STREQ(Fetch()[1].IpAddressList.IpAddress.String, "10.0.7.33");
    ASSERT_EQ(Cardctl("set link down"), 0);
    EXPECT_STREQ(Fetch()[1].IpAddressList.IpAddress.String, "0.0.0.0");
    ASSERT_EQ(Cardctl("eject"), 0);
    const auto list = Fetch();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_STREQ(list[0].AdapterName, "USBLAN1");
    ASSERT_EQ(Cardctl("adapter remove USBLAN1"), 0);
    ULONG size = 0;
    EXPECT_EQ(GetAdaptersInfo(nullptr, &size), static_cast<DWORD>(ERROR_NO_DATA));
}

} // namespace
