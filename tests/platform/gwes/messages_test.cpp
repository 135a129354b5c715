// Sent and posted messages, window timers, registered messages and broadcasts inside one process.
#include "gwes_test.h"

#include <scoped_time_scale.h>

#include <chrono>
#include <cstring>
#include <thread>

using gwes_test::PumpUntil;
using gwes_test::TestWindow;

namespace
{

void BusyWait(int ms)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end)
    {
    }
}

} // namespace

TEST(Messages, APostedMessageArrivesAfterTheSendersHandlerReturnsAndASentOneBefore)
{
    TestWindow w;
    std::vector<std::string> order;
    w.handler = [&](HWND h, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT>
    {
        if (msg == WM_USER + 1)
        {
            order.push_back("handler begins");
            EXPECT_TRUE(PostMessageW(h, WM_USER + 2, 0, 0));
            EXPECT_EQ(SendMessageW(h, WM_USER + 3, 0, 0), 33);
            order.push_back("handler ends");
            return 11;
        }
        if (msg == WM_USER + 2)
            order.push_back("posted");
        if (msg == WM_USER + 3)
        {
            order.push_back("sent");
            return 33;
        }
        return std::nullopt;
    };
    EXPECT_EQ(SendMessageW(w.hwnd, WM_USER + 1, 0, 0), 11);
    EXPECT_EQ(order, (std::vector<std::string>{"handler begins", "sent", "handler ends"}));
    ASSERT_TRUE(PumpUntil([&] { return order.size() == 4; }));
    EXPECT_EQ(order.back(), "posted");
}

TEST(Messages, PostedMessagesKeepTheirOrderAndDieWithTheirWindow)
{
    auto w = std::make_unique<TestWindow>();
    HWND h = w->hwnd;
    for (UINT i = 0; i < 5; ++i)
        PostMessageW(h, WM_APP + i, i, 0);
    gwes::ProcessPending();
    std::vector<UINT> posted;
    for (const auto& r : w->log)
        if (r.msg >= WM_APP && r.msg < WM_APP + 5)
            posted.push_back(r.msg - WM_APP);
    EXPECT_EQ(posted, (std::vector<UINT>{0, 1, 2, 3, 4}));

    PostMessageW(h, WM_APP + 9, 0, 0);
    w.reset(); // destroyed with the message queued: nothing is delivered, nothing crashes
    gwes::ProcessPending();
    SetLastError(0);
    EXPECT_FALSE(PostMessageW(h, WM_APP, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST(Messages, SentFromAnotherThreadRunsOnTheWindowsThread)
{
    TestWindow w;
    std::thread::id ranOn;
    w.handler = [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT>
    {
        if (msg != WM_USER + 7)
            return std::nullopt;
        ranOn = std::this_thread::get_id();
        return 77;
    };
    LRESULT result = 0;
    bool done = false;
    std::thread sender(
        [&]
        {
            result = SendMessageW(w.hwnd, WM_USER + 7, 0, 0);
            done = true;
        });
    PumpUntil([&] { return done; });
    sender.join();
    EXPECT_EQ(result, 77);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(Timers, TwoExpiriesWhileTheLoopIsBusyDeliverOneTimerMessage)
{
    TestWindow w;
    ASSERT_EQ(SetTimer(w.hwnd, 254, 60000, nullptr), 254u);
    // Two expiries before the loop gets to run: one WM_TIMER.
    gwes::FireTimer(w.hwnd, 254);
    gwes::FireTimer(w.hwnd, 254);
    gwes::ProcessPending();
    ASSERT_EQ(w.Count(WM_TIMER), 1);
    EXPECT_EQ(w.log.back().wParam, 254u);
    // Once it has been handled the next expiry delivers again.
    gwes::FireTimer(w.hwnd, 254);
    gwes::ProcessPending();
    EXPECT_EQ(w.Count(WM_TIMER), 2);

    // A real period that passes several times while a handler keeps the loop busy.
    w.Clear();
    KillTimer(w.hwnd, 254);
    ASSERT_EQ(SetTimer(w.hwnd, 255, 30, nullptr), 255u);
    BusyWait(120);
    gwes::ProcessFor(10);
    EXPECT_EQ(w.Count(WM_TIMER), 1);
    KillTimer(w.hwnd, 255);
}

TEST(Timers, NoTickArrivesAfterKillTimerAndResettingRestartsIt)
{
    TestWindow w;
    SetTimer(w.hwnd, 1, 60000, nullptr);
    gwes::FireTimer(w.hwnd, 1);
    EXPECT_TRUE(KillTimer(w.hwnd, 1));
    gwes::ProcessPending();
    EXPECT_EQ(w.Count(WM_TIMER), 0);
    SetLastError(0);
    EXPECT_FALSE(KillTimer(w.hwnd, 1));

    // Set again while a tick of the old timer is queued: the queued tick belongs to the old one.
    SetTimer(w.hwnd, 2, 60000, nullptr);
    gwes::FireTimer(w.hwnd, 2);
    SetTimer(w.hwnd, 2, 60000, nullptr);
    gwes::ProcessPending();
    EXPECT_EQ(w.Count(WM_TIMER), 0);
    gwes::FireTimer(w.hwnd, 2);
    gwes::ProcessPending();
    EXPECT_EQ(w.Count(WM_TIMER), 1);

    // Destroying the window ends its timers.
    HWND h = w.hwnd;
    DestroyWindow(h);
    EXPECT_TRUE(gwes::WindowTimers(h).empty());
    EXPECT_EQ(SetTimer(h, 3, 100, nullptr), 0u);
}

namespace
{
int g_procTicks = 0;
void CALLBACK TickProc(HWND, UINT msg, UINT_PTR, DWORD)
{
    if (msg == WM_TIMER)
        ++g_procTicks;
}
} // namespace

TEST(Timers, ATimerProcedureIsCalledInsteadOfTheWindow)
{
    TestWindow w;
    g_procTicks = 0;
    SetTimer(w.hwnd, 5, 60000, TickProc);
    gwes::FireTimer(w.hwnd, 5);
    gwes::ProcessPending();
    EXPECT_EQ(g_procTicks, 1);
    EXPECT_EQ(w.Count(WM_TIMER), 0);
}

TEST(Messages, RegisteredMessagesShareOneNumberPerName)
{
    UINT a = RegisterWindowMessageW(u"TBarDlgMessage");
    EXPECT_GE(a, 0xC000u);
    EXPECT_LE(a, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessageW(u"tbardlgmessage"), a);
    UINT b = RegisterWindowMessageW(u"AnotherMessage");
    EXPECT_NE(a, b);
    SetLastError(0);
    EXPECT_EQ(RegisterWindowMessageW(u""), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(Messages, BroadcastsReachEveryTopLevelWindowAndCarryACopyOfTheirHeader)
{
    TestWindow first, second;
    TestWindow child(WS_CHILD | WS_VISIBLE, first.hwnd, 5);
    EXPECT_TRUE(PostMessageW(HWND_BROADCAST, WM_USER + 18, 0, 0));
    gwes::ProcessPending();
    EXPECT_EQ(first.Count(WM_USER + 18), 1);
    EXPECT_EQ(second.Count(WM_USER + 18), 1);
    EXPECT_EQ(child.Count(WM_USER + 18), 0);

    // The header is copied when posted: the sender may change or free its own right away.
    struct Header
    {
        DWORD size, type, reserved;
        WCHAR name[8];
    } header{sizeof(Header), 3, 0, u"COM3:"};
    std::vector<uint8_t> seen;
    first.handler = [&](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT>
    {
        if (msg == WM_DEVICECHANGE && wParam == 0x8000)
        {
            auto p = reinterpret_cast<const uint8_t*>(lParam);
            seen.assign(p, p + sizeof(Header));
        }
        return std::nullopt;
    };
    EXPECT_TRUE(PostMessageW(first.hwnd, WM_DEVICECHANGE, 0x8000, reinterpret_cast<LPARAM>(&header)));
    Header original = header;
    std::memset(&header, 0xEE, sizeof header);
    gwes::ProcessPending();
    ASSERT_EQ(seen.size(), sizeof(Header));
    EXPECT_EQ(std::memcmp(seen.data(), &original, sizeof original), 0);

    // A header whose size field is absurd is refused rather than read past its end.
    header.size = 0x100000;
    SetLastError(0);
    EXPECT_FALSE(PostMessageW(HWND_BROADCAST, WM_DEVICECHANGE, 0x8000, reinterpret_cast<LPARAM>(&header)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(Timers, AFasterHandheldTimeFiresTimersAtTheScaledRealPeriod)
{
    TestWindow w;
    {
        // 3500 ms of handheld time at 100 times real time: every 35 ms.
        testing_support::ScopedTimeScale scale("100");
        ASSERT_EQ(SetTimer(w.hwnd, 254, 3500, nullptr), 254u);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(PumpUntil([&] { return w.Count(WM_TIMER) >= 4; }, 3000));
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took, std::chrono::milliseconds(4 * 35 - 10));
        KillTimer(w.hwnd, 254);
    }
    // Back at real time, a timer set now keeps its period: none of 3500 ms comes within 200 ms.
    w.Clear();
    ASSERT_EQ(SetTimer(w.hwnd, 254, 3500, nullptr), 254u);
    gwes::ProcessFor(200);
    EXPECT_EQ(w.Count(WM_TIMER), 0);
    KillTimer(w.hwnd, 254);
}
