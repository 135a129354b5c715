#include "driver_test_support.h"

#include <cstring>

namespace
{

constexpr DWORD kOidCurrentAddress = 0x01010102;
constexpr DWORD kOidSsid = 0x0D010102;
constexpr DWORD kOidNetworkTypeInUse = 0x0D010204;

uint32_t Get32(const std::vector<uint8_t>& bytes, size_t offset)
{
    uint32_t v = 0;
    std::memcpy(&v, bytes.data() + offset, 4);
    return v;
}

// An adapter attached for one test and detached at its end.
class Attached
{
public:
    explicit Attached(LPCWSTR name = u"WLAN11b1") : m_adapter(W32N_AttachAdapter(name)) {}
    ~Attached()
    {
        if (m_adapter != W32N_INVALID_ADAPTER)
            W32N_DetachAdapter(m_adapter);
        W32N_ReleaseProtocolDriver();
    }
    W32N_ADAPTER* get() const { return m_adapter; }

private:
    W32N_ADAPTER* m_adapter;
};

} // namespace

using W32NTest = DriverChannelTest;

TEST_F(W32NTest, VersionsMatchOnTheSecondByteOnly)
{
    EXPECT_EQ(W32N_LibraryApiVersion(), 0x0400040Eu);
    EXPECT_TRUE(W32N_ApiVersionsMatch(0x0400040E, 0xFFFF04FF));
    EXPECT_TRUE(W32N_ApiVersionsMatch(0x0400040E, 0x00000400));
    EXPECT_FALSE(W32N_ApiVersionsMatch(0x0400040E, 0x0400050E));
}

TEST_F(W32NTest, AttachBindsByNameAndCachesSizeAndAddress)
{
    Attached adapter;
    ASSERT_NE(adapter.get(), W32N_INVALID_ADAPTER);
    EXPECT_TRUE(adapter.get()->bMaxTotalSizeValid);
    EXPECT_TRUE(adapter.get()->bCurrentAddressValid);
    EXPECT_EQ(adapter.get()->dwCurrentAddressLength, 6u);
    EXPECT_EQ(std::u16string(adapter.get()->pszName), u"WLAN11b1");

    // The name goes to the driver with its terminator: (8 + 1) * 2 bytes.
    auto binds = Ioctls(IOCTL_W32N_BIND_ADAPTER);
    ASSERT_EQ(binds.size(), 1u);
    EXPECT_EQ(binds[0].Bytes("input")->size(), 18u);
    EXPECT_EQ(binds[0].Bytes("input"),
              (std::vector<uint8_t>{'W', 0, 'L', 0, 'A', 0, 'N', 0, '1', 0, '1', 0, 'b', 0, '1', 0, 0, 0}));
}

TEST_F(W32NTest, SecondAttachDoesNotInitialiseAgain)
{
    Attached first;
    Attached second;
    ASSERT_NE(first.get(), W32N_INVALID_ADAPTER);
    ASSERT_NE(second.get(), W32N_INVALID_ADAPTER);
    EXPECT_EQ(Ioctls(IOCTL_W32N_INIT_DRIVER).size(), 1u);
}

TEST_F(W32NTest, FailedInitialisationIsNotRetried)
{
    Cardctl("fault init C0000001");
    {
        Attached first;
        EXPECT_EQ(first.get(), W32N_INVALID_ADAPTER);
        // The driver answered, so it counts as initialised: the next attach goes straight to binding
        // (which an uninitialised driver refuses).
        Attached second;
        EXPECT_EQ(second.get(), W32N_INVALID_ADAPTER);
    }
    EXPECT_EQ(Ioctls(IOCTL_W32N_INIT_DRIVER).size(), 1u);
    EXPECT_EQ(Ioctls(IOCTL_W32N_BIND_ADAPTER).size(), 1u);
}

TEST_F(W32NTest, FailedMaximumSizeQueryStillOpensWith1530)
{
    Cardctl("fault status 00010111 C0000001 query");
    Attached adapter;
    ASSERT_NE(adapter.get(), W32N_INVALID_ADAPTER);
    EXPECT_FALSE(adapter.get()->bMaxTotalSizeValid);
    EXPECT_EQ(adapter.get()->dwMaxTotalSize, 1530u);
}

TEST_F(W32NTest, AttachFailures)
{
    SetLastError(0);
    EXPECT_EQ(W32N_AttachAdapter(nullptr), W32N_INVALID_ADAPTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    Attached unknown(u"NOSUCH1");
    EXPECT_EQ(unknown.get(), W32N_INVALID_ADAPTER);

    Cardctl("fault bind");
    Attached refused;
    EXPECT_EQ(refused.get(), W32N_INVALID_ADAPTER);
}

TEST_F(W32NTest, DetachOfNoAdapterIsAnInvalidHandle)
{
    EXPECT_EQ(W32N_DetachAdapter(W32N_INVALID_ADAPTER), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(W32N_DetachAdapter(nullptr), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(Ioctls(IOCTL_W32N_UNBIND_ADAPTER).empty());
}

TEST_F(W32NTest, RequestRecordLayoutAtTheDriver)
{
    Attached adapter;
    ASSERT_NE(adapter.get(), W32N_INVALID_ADAPTER);
    sim::requestlog::Clear();
    DWORD dwType = 0xEEEEEEEE;
    DWORD dwLength = sizeof(dwType);
    DWORD dwStatus = 0xEEEEEEEE;
    ASSERT_EQ(W32N_NdisQuery(adapter.get(), kOidNetworkTypeInUse, &dwType, &dwLength, &dwStatus), 0u);
    EXPECT_EQ(dwStatus, 0u);
    EXPECT_EQ(dwLength, 4u);

    auto submits = Submits(kOidNetworkTypeInUse);
    ASSERT_EQ(submits.size(), 1u);
    auto record = submits[0].Bytes("record");
    ASSERT_TRUE(record.has_value());
    ASSERT_EQ(record->size(), 152u);
    EXPECT_EQ(Get32(*record, 0), GetCurrentProcessId());
    EXPECT_EQ(Get32(*record, 4), GetCurrentThreadId());
    EXPECT_EQ(Get32(*record, 8), static_cast<uint32_t>(reinterpret_cast<uintptr_t>(adapter.get()->hControl)));
    // "PCANDIS4Evt-<pid>-<low half of the record's address>": 29 characters and the terminator.
    std::u16string name(reinterpret_cast<const char16_t*>(record->data() + 12), 32);
    name.resize(name.find(u'\0'));
    EXPECT_EQ(name.size(), 29u);
    EXPECT_EQ(name.substr(0, 12), u"PCANDIS4Evt-");
    EXPECT_NE(Get32(*record, 76), 0u);
    EXPECT_EQ(Get32(*record, 84), 0xC0000001u); // preset submission status
    EXPECT_EQ(Get32(*record, 124 + 4), 0u);     // query
    EXPECT_EQ(Get32(*record, 124 + 8), kOidNetworkTypeInUse);
    EXPECT_EQ(Get32(*record, 124 + 12), 4u);
    const uint64_t buffer = (static_cast<uint64_t>(Get32(*record, 80)) << 32) | Get32(*record, 124 + 16);
    EXPECT_EQ(buffer, reinterpret_cast<uintptr_t>(&dwType));
    EXPECT_EQ(Get32(*record, 124 + 20), 0u);
    EXPECT_EQ(Get32(*record, 124 + 24), 0u);
}

TEST_F(W32NTest, QueryLengthsFollowTheNdisStatus)
{
    Attached adapter;
    ASSERT_NE(adapter.get(), W32N_INVALID_ADAPTER);

    // Too short: the status and the size needed.
    BYTE small[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    DWORD dwLength = sizeof(small);
    DWORD dwStatus = 0;
    ASSERT_EQ(W32N_NdisQuery(adapter.get(), kOidSsid, small, &dwLength, &dwStatus), 0u);
    EXPECT_TRUE(dwStatus == W32N_NDIS_STATUS_BUFFER_TOO_SHORT || dwStatus == W32N_NDIS_STATUS_INVALID_LENGTH);
    EXPECT_EQ(dwLength, 36u);

    // An answer that does not fit: the size it needs.
    Cardctl("fault answer 01010102 00112233445566778899");
    BYTE address[6] = {};
    dwLength = sizeof(address);
    ASSERT_EQ(W32N_NdisQuery(adapter.get(), kOidCurrentAddress, address, &dwLength, &dwStatus), 0u);
    EXPECT_EQ(dwStatus, W32N_NDIS_STATUS_INVALID_LENGTH);
    EXPECT_EQ(dwLength, 10u);

    // A miniport claiming more bytes than the buffer holds: only the buffer's length is reported.
    Cardctl("fault overreport 0D010204 64");
    DWORD dwType = 0;
    dwLength = sizeof(dwType);
    ASSERT_EQ(W32N_NdisQuery(adapter.get(), kOidNetworkTypeInUse, &dwType, &dwLength, &dwStatus), 0u);
    EXPECT_EQ(dwStatus, 0u);
    EXPECT_EQ(dwLength, 4u);
    auto completions = Log("complete");
    ASSERT_FALSE(completions.empty());
    EXPECT_EQ(completions.back().Field("done"), "64");

    // Unknown objects: the status, no length.
    DWORD dwValue = 0;
    dwLength = sizeof(dwValue);
    ASSERT_EQ(W32N_NdisQuery(adapter.get(), 0x12345678, &dwValue, &dwLength, &dwStatus), 0u);
    EXPECT_EQ(dwStatus, 0xC00000BBu);
    EXPECT_EQ(dwLength, 0u);
}

TEST_F(W32NTest, QueryArgumentAndSubmissionFailuresLeaveOutputsAlone)
{
    Attached adapter;
    ASSERT_NE(adapter.get(), W32N_INVALID_ADAPTER);
    DWORD dwValue = 0;
    DWORD dwLength = 4;
    DWORD dwStatus = 0x5A5A5A5A;
    EXPECT_EQ(W32N_NdisQuery(adapter.get(), kOidNetworkTypeInUse, &dwValue, nullptr, &dwStatus),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(W32N_NdisQuery(adapter.get(), kOidNetworkTypeInUse, &dwValue, &dwLength, nullptr),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(W32N_NdisQuery(W32N_INVALID_ADAPTER, kOidNetworkTypeInUse, &dwValue, &dwLength, &dwStatus),
              static_cast<DWORD>(ERROR_INVALID_HANDLE));

    Cardctl("fault submit 0D010204 C0000001");
    EXPECT_EQ(W32N_NdisQuery(adapter.get(), kOidNetworkTypeInUse, &dwValue, &dwLength, &dwStatus),
              0xC0000001u);
    EXPECT_EQ(dwLength, 4u);
    EXPECT_EQ(dwStatus, 0x5A5A5A5Au);
}

TEST_F(W32NTest, PendingQueryIsAwaitedWithoutLimit)
{
    Attached adapter;
    ASSERT_NE(adapter.get(), W32N_INVALID_ADAPTER);
    Cardctl("fault pending 0D010204 300");
    DWORD dwValue = 0xEEEEEEEE;
    DWORD dwLength = 4;
    DWORD dwStatus = 0xEEEEEEEE;
    DWORD dwStart = GetTickCount();
    ASSERT_EQ(W32N_NdisQuery(adapter.get(), kOidNetworkTypeInUse, &dwValue, &dwLength, &dwStatus), 0u);
    EXPECT_GE(GetTickCount() - dwStart, 290u);
    EXPECT_EQ(dwStatus, 0u);
    EXPECT_EQ(dwLength, 4u);
    EXPECT_NE(dwValue, 0xEEEEEEEEu);
}

TEST_F(W32NTest, BindingsListAndVersion)
{
    HANDLE hControl = W32N_OpenControlChannel();
    ASSERT_NE(hControl, INVALID_HANDLE_VALUE);
    DWORD dwVersion = 0;
    EXPECT_EQ(W32N_DriverApiVersion(hControl, &dwVersion), 0u);
    EXPECT_EQ(dwVersion, 0x0400040Eu);
    EXPECT_EQ(W32N_DriverApiVersion(hControl, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    WCHAR szNames[64] = {};
    DWORD dwReturned = 0;
    ASSERT_EQ(W32N_EnumProtocolBindings(hControl, szNames, sizeof(szNames), &dwReturned), 0u);
    EXPECT_EQ(std::u16string(szNames), u"USBLAN1");
    EXPECT_EQ(std::u16string(szNames + 8), u"WLAN11b1");
    EXPECT_EQ(szNames[17], 0);
    EXPECT_EQ(dwReturned, 18u * 2);
    W32N_CloseControlChannel(hControl);
    W32N_ReleaseProtocolDriver();
}

TEST_F(W32NTest, ReleaseUnloadsTheDriverOnlyWhenNobodyElseHoldsIt)
{
    {
        Attached adapter;
        ASSERT_NE(adapter.get(), W32N_INVALID_ADAPTER);
        HANDLE hOther = W32N_OpenControlChannel();
        W32N_ReleaseProtocolDriver(); // the adapter's handle is still open: the driver stays
        EXPECT_TRUE(Ioctls(IOCTL_W32N_DEINIT_DRIVER).empty());
        W32N_CloseControlChannel(hOther);
    }
    // The adapter is detached and released: the last one out shuts the driver down and unloads it.
    EXPECT_EQ(Ioctls(IOCTL_W32N_DEINIT_DRIVER).size(), 1u);
    HANDLE hProbe = CreateFileW(u"PCA4:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(hProbe, INVALID_HANDLE_VALUE);
    // A new user registers it again.
    HANDLE hControl = W32N_OpenControlChannel();
    EXPECT_NE(hControl, INVALID_HANDLE_VALUE);
    W32N_CloseControlChannel(hControl);
    W32N_ReleaseProtocolDriver();
}
