// Submitting requests: the record read through the pointer past its declared length, what the driver
// writes back, requests that pend and complete from the driver's thread, and the record left alone once
// it is completed.
#include "sim_test.h"

#include <chrono>
#include <thread>

using namespace simtest;

namespace
{

class Submit : public DriverTest
{
};

TEST_F(Submit, ReadsTheRequestBlockPastTheDeclaredLengthAndAnswersInIt)
{
    HANDLE h = OpenBound();
    uint8_t mac[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    Request request(false, OID_802_3_CURRENT_ADDRESS, mac, 8);
    std::array<uint8_t, 152> before;
    std::memcpy(before.data(), request.data(), 152);
    ASSERT_TRUE(SubmitRecord(h, request));
    EXPECT_EQ(request.SubmitStatus(), 0u);
    EXPECT_EQ(request.NdisStatus(), 0u);
    EXPECT_EQ(request.BytesDone(), 6u);
    EXPECT_EQ(request.BytesNeeded(), 0u);
    const uint8_t expected[8] = {0x00, 0x0A, 0x5D, 0x40, 0x51, 0x2C, 0xEE, 0xEE};
    EXPECT_EQ(std::memcmp(mac, expected, 8), 0);
    // Only the submission status and the block's three result fields change.
    for (size_t i = 0; i < 152; ++i)
    {
        const bool result = (i >= 84 && i < 88) || (i >= 124 && i < 128) || (i >= 144 && i < 152);
        if (!result)
        {
            EXPECT_EQ(request.data()[i], before[i]) << "byte " << i;
        }
    }
}

TEST_F(Submit, ShortBufferAndUnknownObjectAreAnsweredInTheBlock)
{
    HANDLE h = OpenBound();
    uint8_t small[2] = {0x11, 0x11};
    Outcome o = Query(h, OID_GEN_MEDIA_CONNECT_STATUS, small, 2);
    EXPECT_EQ(o.submit, 0u);
    EXPECT_EQ(o.ndis, static_cast<uint32_t>(NDIS_STATUS_INVALID_LENGTH));
    EXPECT_EQ(o.needed, 4u);
    EXPECT_EQ(small[0], 0x11);

    uint32_t value = 0;
    o = Query(h, 0xFFA0C7FF, &value, 4);
    EXPECT_EQ(o.ndis, static_cast<uint32_t>(NDIS_STATUS_NOT_SUPPORTED));

    // A size query with no buffer at all.
    o = Query(h, OID_QN40_BSSID_LIST, nullptr, 0);
    EXPECT_EQ(o.ndis, static_cast<uint32_t>(NDIS_STATUS_BUFFER_TOO_SHORT));
    EXPECT_EQ(o.needed, 4u + 3 * sizeof(NDIS_WLAN_BSSID));
}

TEST_F(Submit, MalformedSubmissionsFailWithoutTouchingTheRecord)
{
    HANDLE h = OpenBound();
    uint32_t value = 0;
    auto refused = [&](Request& request, DWORD inLength, void* out, DWORD outLength)
    {
        DWORD returned = 0;
        BOOL ok = DeviceIoControl(h, kSubmit, request.data(), inLength, out, outLength, &returned, nullptr);
        const DWORD error = ok ? 0 : GetLastError();
        EXPECT_FALSE(ok);
        EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        EXPECT_EQ(request.SubmitStatus(), 0xC0000001u);
    };
    {
        Request request(false, OID_GEN_LINK_SPEED, &value, 4);
        refused(request, 100, request.data(), 116); // shorter than the declared record
    }
    {
        Request request(false, OID_GEN_LINK_SPEED, &value, 4);
        std::array<uint8_t, 152> other{};
        refused(request, 116, other.data(), 116); // the output is not the record
    }
    {
        Request request(false, OID_GEN_LINK_SPEED, &value, 4);
        for (size_t i = 12; i < 76; i += 2)
            request.data()[i] = 'A'; // event name without its terminator
        refused(request, 116, request.data(), 116);
    }
    {
        Request request(false, OID_GEN_LINK_SPEED, &value, 4);
        Put32(request.data() + 128, 2); // neither query nor set
        refused(request, 116, request.data(), 116);
    }
    {
        Request request(false, OID_GEN_LINK_SPEED, nullptr, 4); // a length without a buffer
        refused(request, 116, request.data(), 116);
    }
}

TEST_F(Submit, LatencyMakesRequestsPendAndCompleteFromTheDriversThread)
{
    HANDLE h = OpenBound();
    ASSERT_EQ(Cardctl("set latency 60"), 0);
    uint32_t speed = 0;
    Request request(false, OID_GEN_LINK_SPEED, &speed, 4);
    ASSERT_TRUE(SubmitRecord(h, request));
    EXPECT_EQ(request.SubmitStatus(), 0x103u);
    EXPECT_EQ(WaitForSingleObject(request.event(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ASSERT_EQ(WaitForSingleObject(request.event(), 3000), WAIT_OBJECT_0);
    EXPECT_EQ(request.NdisStatus(), 0u);
    EXPECT_EQ(request.BytesDone(), 4u);
    EXPECT_EQ(speed, 110000u);
}

TEST_F(Submit, UnbindingCompletesWaitingRequestsAsAbortedFirst)
{
    HANDLE h = OpenBound();
    ASSERT_EQ(Cardctl("fault pending FFA0C006 forever"), 0);
    int32_t rssi = 7;
    Request request(false, OID_QN40_RSSI, &rssi, 4);
    ASSERT_TRUE(SubmitRecord(h, request));
    ASSERT_EQ(request.SubmitStatus(), 0x103u);
    EXPECT_EQ(WaitForSingleObject(request.event(), 100), static_cast<DWORD>(WAIT_TIMEOUT));

    ASSERT_TRUE(Control(h, kUnbind, nullptr, 0, nullptr, 0));
    // Completed before the unbind returned.
    EXPECT_EQ(WaitForSingleObject(request.event(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(request.NdisStatus(), static_cast<uint32_t>(NDIS_STATUS_REQUEST_ABORTED));
    EXPECT_EQ(request.BytesDone(), 0u);
    EXPECT_EQ(rssi, 7) << "an aborted query writes no data";
}

TEST_F(Submit, RequestsHeldForeverEndAsRemovedWhenTheCardGoes)
{
    HANDLE h = OpenBound();
    ASSERT_EQ(Cardctl("fault pending any forever"), 0);
    int32_t rssi = 7;
    uint32_t radio = 1;
    Request query(false, OID_QN40_RSSI, &rssi, 4), set(true, OID_GEN_LINK_SPEED, &radio, 4);
    ASSERT_TRUE(SubmitRecord(h, query));
    ASSERT_TRUE(SubmitRecord(h, set));
    ASSERT_EQ(query.SubmitStatus(), 0x103u);
    EXPECT_EQ(WaitForSingleObject(query.event(), 300), static_cast<DWORD>(WAIT_TIMEOUT));

    // The handle stays bound: only the card's going ends what the driver holds.
    ASSERT_EQ(Cardctl("eject"), 0);
    for (Request* request : {&query, &set})
    {
        ASSERT_EQ(WaitForSingleObject(request->event(), 2000), WAIT_OBJECT_0);
        EXPECT_EQ(request->NdisStatus(), static_cast<uint32_t>(NDIS_STATUS_ADAPTER_REMOVED));
        EXPECT_EQ(request->BytesDone(), 0u);
    }
    EXPECT_EQ(rssi, 7) << "a removed card writes no data";

    // A request submitted while the card is out ends the same way.
    uint32_t speed = 0;
    Request late(false, OID_GEN_LINK_SPEED, &speed, 4);
    ASSERT_TRUE(SubmitRecord(h, late));
    if (late.SubmitStatus() == 0x103u)
    {
        ASSERT_EQ(WaitForSingleObject(late.event(), 2000), WAIT_OBJECT_0);
    }
    EXPECT_EQ(late.NdisStatus(), static_cast<uint32_t>(NDIS_STATUS_ADAPTER_REMOVED));
}

TEST_F(Submit, ClosingAHandleOrUnloadingTheDriverAbortsItsRequests)
{
    ASSERT_EQ(Cardctl("fault pending any forever"), 0);
    HANDLE a = OpenBound();
    HANDLE b = OpenBound();
    uint32_t va = 0, vb = 0;
    Request ra(false, OID_GEN_LINK_SPEED, &va, 4), rb(false, OID_GEN_LINK_SPEED, &vb, 4);
    ASSERT_TRUE(SubmitRecord(a, ra));
    ASSERT_TRUE(SubmitRecord(b, rb));
    CloseOpen(a);
    EXPECT_EQ(WaitForSingleObject(ra.event(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(ra.NdisStatus(), static_cast<uint32_t>(NDIS_STATUS_REQUEST_ABORTED));
    EXPECT_EQ(WaitForSingleObject(rb.event(), 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "another handle's request waits";

    ASSERT_TRUE(DeregisterDevice(m_registration));
    m_registration = nullptr;
    m_handles.clear(); // the device manager closed them
    EXPECT_EQ(WaitForSingleObject(rb.event(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(rb.NdisStatus(), static_cast<uint32_t>(NDIS_STATUS_REQUEST_ABORTED));
}

TEST_F(Submit, ACompletedRecordIsNeverTouchedAgain)
{
    HANDLE h = OpenBound();
    ASSERT_EQ(Cardctl("set latency 20"), 0);
    uint32_t status = 0;
    auto request = std::make_unique<Request>(false, OID_GEN_MEDIA_CONNECT_STATUS, &status, 4);
    ASSERT_TRUE(SubmitRecord(h, *request));
    ASSERT_EQ(WaitForSingleObject(request->event(), 3000), WAIT_OBJECT_0);
    std::memset(request->data(), 0xA5, 152);
    CloseOpen(h);
    HANDLE other = OpenBound();
    uint32_t value = 0;
    EXPECT_EQ(Query(other, OID_GEN_LINK_SPEED, &value, 4).ndis, 0u);
    for (size_t i = 0; i < 152; ++i)
        ASSERT_EQ(request->data()[i], 0xA5) << "byte " << i;
    // Freed after completion: a later write would be caught by the address sanitizer.
    request.reset();
    ASSERT_TRUE(DeregisterDevice(m_registration));
    m_registration = nullptr;
    m_handles.clear();
}

TEST_F(Submit, ARequestWhoseRequesterGaveUpIsDroppedUntouched)
{
    HANDLE h = OpenBound();
    ASSERT_EQ(Cardctl("fault pending FFA0C503 40"), 0);
    uint32_t quality = 0x77;
    Request request(false, OID_QN40_LINK_QUALITY, &quality, 4);
    ASSERT_TRUE(SubmitRecord(h, request));
    ASSERT_EQ(request.SubmitStatus(), 0x103u);
    request.CloseEvent();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(request.NdisStatus(), 0u) << "the block still holds what the requester left in it";
    EXPECT_EQ(quality, 0x77u);
}

TEST_F(Submit, APendingSetAppliesWhenItCompletes)
{
    HANDLE h = OpenBound();
    ASSERT_EQ(Cardctl("fault pending FFA0C009 50"), 0);
    uint32_t threshold = 1024;
    Request request(true, OID_QN40_FRAGMENTATION_THRESHOLD, &threshold, 4);
    ASSERT_TRUE(SubmitRecord(h, request));
    ASSERT_EQ(request.SubmitStatus(), 0x103u);
    // Read through the standard object of the same meaning, which does not pend.
    EXPECT_EQ(QueryU32(h, OID_802_11_FRAGMENTATION_THRESHOLD), 2346u);
    ASSERT_EQ(WaitForSingleObject(request.event(), 3000), WAIT_OBJECT_0);
    EXPECT_EQ(request.NdisStatus(), 0u);
    EXPECT_EQ(request.BytesDone(), 4u);
    EXPECT_EQ(QueryU32(h, OID_802_11_FRAGMENTATION_THRESHOLD), 1024u);
}

} // namespace
