// Messages, broadcasts and requests between processes, and the delivery rules inside one process.
#include "peer_process.h"
#include "station_test_util.h"

#include <temp_handheld.h>

#include <gtest/gtest.h>
#include <poll.h>

namespace ws = ce::winstation;
using namespace station_test;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace
{

std::string Self()
{
    return std::to_string(::getpid());
}

bool Readable(int fd, int timeoutMs)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0;
}

} // namespace

TEST(Posting, MessageToAWindowOfAnotherProcessArrivesIntact)
{
    testing_support::TempHandheld handheld;
    PeerProcess peer({"serve", "--title", "Target"});
    auto ready = peer.ReadWords();
    ASSERT_EQ(ready.size(), 3u);
    uint32_t hwnd = static_cast<uint32_t>(std::stoul(ready[2]));

    struct Case
    {
        uint32_t message;
        uint64_t wParam;
        int64_t lParam;
        std::vector<uint8_t> payload;
    };
    const Case cases[] = {
        {0x412, 0, 0, {}},                                             // WM_USER + 18 from a second copy
        {0x403, 0x1122334455667788ull, -2, {}},                        // all 64 bits, negative lParam
        {0x219, 0x8000, 0x7FFFFFFFFFFFFFFFll, PortHeader(u"X1:", 28)}, // with a copied header
    };
    for (const auto& c : cases)
    {
        ws::Message m;
        m.hwnd = hwnd;
        m.message = c.message;
        m.wParam = c.wParam;
        m.lParam = c.lParam;
        m.payload = c.payload;
        ASSERT_TRUE(ws::PostToWindow(m));
        auto got = peer.ReadWords();
        ASSERT_EQ(got.size(), 7u);
        EXPECT_EQ(got[1], std::to_string(hwnd));
        EXPECT_EQ(got[2], std::to_string(c.message));
        EXPECT_EQ(got[3], std::to_string(c.wParam));
        EXPECT_EQ(got[4], std::to_string(c.lParam));
        EXPECT_EQ(got[5], Hex(c.payload));
        EXPECT_EQ(got[6], Self()); // the sender, as the receiving side sees it
    }

    ws::Message nobody;
    nobody.hwnd = hwnd + 1;
    EXPECT_FALSE(ws::PostToWindow(nobody));
    ws::Message tooLarge;
    tooLarge.hwnd = hwnd;
    tooLarge.payload.resize(ws::wire::kMaxMessagePayload + 1);
    EXPECT_FALSE(ws::PostToWindow(tooLarge));
}

TEST(Posting, MessagesFromOneSenderArriveInTheOrderPosted)
{
    testing_support::TempHandheld handheld;
    PeerProcess peer({"serve", "--title", "Target"});
    auto ready = peer.ReadWords();
    ASSERT_EQ(ready.size(), 3u);
    ws::Message m;
    m.hwnd = static_cast<uint32_t>(std::stoul(ready[2]));
    m.message = 0x219;
    constexpr int kCount = 200;
    for (int i = 0; i < kCount; ++i)
    {
        m.wParam = static_cast<uint64_t>(i);
        m.payload.assign(static_cast<size_t>(i % 3) * 20000, 0x11); // records of different sizes
        ASSERT_TRUE(ws::PostToWindow(m));
    }
    for (int i = 0; i < kCount; ++i)
    {
        auto got = peer.ReadWords();
        ASSERT_EQ(got.size(), 7u);
        ASSERT_EQ(got[3], std::to_string(i));
    }
}

TEST(Posting, BroadcastFromAPlainSenderReachesEveryListener)
{
    testing_support::TempHandheld handheld;
    ASSERT_TRUE(ws::Listen());
    PeerProcess withWindow({"serve", "--title", "Main"});
    PeerProcess withoutWindow({"serve"});
    ASSERT_FALSE(withWindow.ReadWords().empty());
    ASSERT_FALSE(withoutWindow.ReadWords().empty());

    auto header = PortHeader(u"WLN1:", 28); // DBT_DEVICEARRIVAL for a port
    ASSERT_EQ(header.size(), 28u);
    auto sent = RunPeer({"broadcast", "0x219", "0x8000", "0", Hex(header)});
    ASSERT_EQ(sent, std::vector<std::string>{"3"});

    for (PeerProcess* peer : {&withWindow, &withoutWindow})
    {
        auto got = peer->ReadWords();
        ASSERT_EQ(got.size(), 7u);
        EXPECT_EQ(got[1], "65535");
        EXPECT_EQ(got[2], "537");
        EXPECT_EQ(got[3], "32768");
        EXPECT_EQ(got[5], Hex(header));
    }
    auto here = Receive(1);
    ASSERT_EQ(here.size(), 1u);
    EXPECT_EQ(here[0].hwnd, ws::kBroadcastHwnd);
    EXPECT_EQ(here[0].payload, header);
    EXPECT_NE(here[0].senderPid, static_cast<uint32_t>(::getpid()));

    // Broadcasting from a listener reaches itself unless it asks not to.
    ws::Message m;
    m.message = 0x412;
    EXPECT_EQ(ws::Broadcast(m, true), 2);
    EXPECT_TRUE(Receive(1, milliseconds(100)).empty());
    EXPECT_EQ(ws::Broadcast(m), 3);
    EXPECT_EQ(Receive(1).size(), 1u);
    EXPECT_EQ(withWindow.ReadWords().size(), 7u);
    EXPECT_EQ(withoutWindow.ReadWords().size(), 7u);
}

TEST(Posting, OwnWindowsReceiveOnlyWhenDispatching)
{
    testing_support::TempHandheld handheld;
    uint32_t hwnd = ws::AllocateWindowHandle();
    ASSERT_TRUE(ws::PublishWindow(hwnd, u"Self"));
    int calls = 0;
    ws::SetMessageHandler(
        [&](const ws::Message& m)
        {
            ++calls;
            // A handler that posts again: the new message waits for the next Dispatch.
            if (m.wParam < 3)
            {
                ws::Message again = m;
                again.wParam = m.wParam + 1;
                ws::PostToWindow(again);
            }
        });
    ws::Message m;
    m.hwnd = hwnd;
    m.message = 0x400;
    ASSERT_TRUE(ws::PostToWindow(m));
    EXPECT_EQ(calls, 0);
    ASSERT_TRUE(Readable(ws::ReceiveFd(), 1000));
    for (int round = 1; round <= 4; ++round)
    {
        ws::Dispatch();
        EXPECT_EQ(calls, round);
        EXPECT_EQ(Readable(ws::ReceiveFd(), 0), round < 4) << round;
    }
    ws::SetMessageHandler(nullptr);
}

TEST(Posting, NestedDispatchDeliversEachMessageOnce)
{
    testing_support::TempHandheld handheld;
    uint32_t hwnd = ws::AllocateWindowHandle();
    ASSERT_TRUE(ws::PublishWindow(hwnd, u"Modal"));
    std::vector<uint64_t> seen;
    ws::SetMessageHandler(
        [&](const ws::Message& m)
        {
            seen.push_back(m.wParam);
            if (m.wParam == 0)
                ws::Dispatch(); // a modal loop started from a handler
        });
    for (uint64_t i = 0; i < 3; ++i)
    {
        ws::Message m;
        m.hwnd = hwnd;
        m.wParam = i;
        ASSERT_TRUE(ws::PostToWindow(m));
    }
    ws::Dispatch();
    EXPECT_EQ(seen, (std::vector<uint64_t>{0, 1, 2}));
    ws::SetMessageHandler(nullptr);
}

TEST(Requests, AnswerComesBackWhole)
{
    testing_support::TempHandheld handheld;
    PeerProcess peer({"serve", "--answer"});
    ASSERT_FALSE(peer.ReadWords().empty());
    uint32_t pid = static_cast<uint32_t>(peer.pid());
    for (size_t size : {size_t{0}, size_t{5}, size_t{3} * 1024 * 1024})
    {
        std::vector<uint8_t> request(size);
        for (size_t i = 0; i < size; ++i)
            request[i] = static_cast<uint8_t>(i * 7);
        auto answer = ws::Request(pid, request, 5000);
        ASSERT_TRUE(answer) << size;
        ASSERT_EQ(answer->size(), size + 3);
        EXPECT_TRUE(std::equal(request.begin(), request.end(), answer->begin() + 3)) << size;
    }
}

TEST(Requests, FailWithinTheirLimit)
{
    testing_support::TempHandheld handheld;
    PeerProcess silent({"serve", "--no-dispatch"});
    PeerProcess unanswering({"serve"}); // dispatches but has no request handler
    ASSERT_FALSE(silent.ReadWords().empty());
    ASSERT_FALSE(unanswering.ReadWords().empty());
    std::vector<uint8_t> request{'p', 'i', 'n', 'g'};

    auto start = Clock::now();
    EXPECT_FALSE(ws::Request(static_cast<uint32_t>(silent.pid()), request, 300));
    auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, milliseconds(290));
    EXPECT_LT(elapsed, milliseconds(1500));

    start = Clock::now();
    EXPECT_FALSE(ws::Request(static_cast<uint32_t>(unanswering.pid()), request, 3000));
    EXPECT_LT(Clock::now() - start, milliseconds(1500)); // refused, not timed out

    PeerProcess gone({"serve", "--answer"});
    ASSERT_FALSE(gone.ReadWords().empty());
    uint32_t pid = static_cast<uint32_t>(gone.pid());
    gone.CloseInput();
    gone.Wait();
    start = Clock::now();
    EXPECT_FALSE(ws::Request(pid, request, 3000));
    EXPECT_FALSE(ws::Request(0, request, 3000));
    EXPECT_LT(Clock::now() - start, milliseconds(500));
}

TEST(Requests, ServedFromThisProcessDispatch)
{
    testing_support::TempHandheld handheld;
    ASSERT_TRUE(ws::Listen());
    ws::SetRequestHandler(
        [](const std::vector<uint8_t>& r)
        {
            if (r.empty())
                throw std::runtime_error("no request"); // stays inside Dispatch
            return std::vector<uint8_t>(r.rbegin(), r.rend());
        });
    std::atomic<bool> done{false};
    std::thread dispatcher(
        [&]
        {
            while (!done)
                if (Readable(ws::ReceiveFd(), 20))
                    ws::Dispatch();
        });
    uint32_t self = static_cast<uint32_t>(::getpid());
    auto answer = ws::Request(self, {1, 2, 3}, 2000);
    auto failed = ws::Request(self, {}, 2000);
    done = true;
    dispatcher.join();
    ASSERT_TRUE(answer);
    EXPECT_EQ(*answer, (std::vector<uint8_t>{3, 2, 1}));
    EXPECT_FALSE(failed);
    ws::SetRequestHandler(nullptr);
}
