// The thread's message queue as GetMessageW and PeekMessageW see it: peeking without taking, the filters,
// WM_QUIT, timers, what the event loop then still delivers, and the calls that belong to the window thread.
#include "gwes_test.h"

#include <atomic>
#include <thread>

using gwes_test::TestWindow;

namespace
{

constexpr UINT kA = WM_APP + 1;
constexpr UINT kB = WM_APP + 2;
constexpr UINT kC = WM_APP + 3;

MSG Sentinel()
{
    MSG m{};
    m.hwnd = reinterpret_cast<HWND>(0x5555);
    m.message = 0x5555;
    m.wParam = 0x5555;
    return m;
}

bool IsSentinel(const MSG& m)
{
    return m.hwnd == reinterpret_cast<HWND>(0x5555) && m.message == 0x5555 && m.wParam == 0x5555;
}

// Takes whatever a test left in the queue, so that the next one starts empty.
void Drain()
{
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
    {
    }
}

class MessageQueue : public ::testing::Test
{
protected:
    void SetUp() override
    {
        gwes::EnsureApplication();
        Drain();
    }
    void TearDown() override { Drain(); }
};

} // namespace

TEST_F(MessageQueue, PeekWithoutRemoveLeavesTheMessageForGetMessageAndDispatchesNothing)
{
    TestWindow w;
    ASSERT_TRUE(PostMessageW(w.hwnd, kA, 11, 22));
    ASSERT_TRUE(PostMessageW(w.hwnd, kB, 33, 44));
    MSG m{};
    for (int i = 0; i < 2; ++i)
    {
        ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE));
        EXPECT_EQ(m.hwnd, w.hwnd);
        EXPECT_EQ(m.message, kA);
        EXPECT_EQ(m.wParam, 11u);
        EXPECT_EQ(m.lParam, 22);
    }
    EXPECT_EQ(w.Count(kA), 0) << "peeking dispatches nothing";

    ASSERT_EQ(GetMessageW(&m, nullptr, 0, 0), TRUE);
    EXPECT_EQ(m.message, kA);
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, kB);
    DispatchMessageW(&m);
    EXPECT_EQ(w.Count(kB), 1);

    // Taken messages are not delivered again by the event loop; an empty queue leaves the output alone.
    gwes::ProcessPending();
    EXPECT_EQ(w.Count(kA), 0);
    EXPECT_EQ(w.Count(kB), 1);
    m = Sentinel();
    EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_TRUE(IsSentinel(m));

    // A message only peeked at is still delivered by the event loop.
    PostMessageW(w.hwnd, kC, 0, 0);
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE));
    gwes::ProcessPending();
    EXPECT_EQ(w.Count(kC), 1);
}

TEST_F(MessageQueue, FiltersChooseByWindowAndRangeInPostingOrder)
{
    TestWindow top;
    TestWindow child(WS_CHILD, top.hwnd, 7);
    TestWindow other;
    PostMessageW(other.hwnd, kA, 1, 0);
    PostMessageW(child.hwnd, kA, 2, 0);
    PostMessageW(top.hwnd, kC, 3, 0);
    PostMessageW(nullptr, kB, 4, 0); // a message of the thread
    const struct
    {
        const char* what;
        HWND hwnd;
        UINT first, last;
        WPARAM expect; // 0: nothing
    } rows[] = {
        {"a window takes its descendants' too", top.hwnd, 0, 0, 2},
        {"the child alone", child.hwnd, 0, 0, 2},
        {"-1: thread messages only", reinterpret_cast<HWND>(-1), 0, 0, 4},
        {"a range skips what is outside", nullptr, kB, kC, 3},
        {"a range and a window", top.hwnd, kB, kB, 0},
        {"one message number", nullptr, kA, kA, 1},
    };
    for (const auto& row : rows)
    {
        MSG m = Sentinel();
        const BOOL found = PeekMessageW(&m, row.hwnd, row.first, row.last, PM_NOREMOVE);
        EXPECT_EQ(found, row.expect != 0) << row.what;
        if (row.expect)
            EXPECT_EQ(m.wParam, row.expect) << row.what;
        else
            EXPECT_TRUE(IsSentinel(m)) << row.what;
    }
    MSG m{};
    ASSERT_EQ(GetMessageW(&m, reinterpret_cast<HWND>(-1), 0, 0), TRUE);
    EXPECT_EQ(m.hwnd, nullptr);
    EXPECT_EQ(m.wParam, 4u);

    // A window that does not exist is an error: FALSE for PeekMessageW, -1 for GetMessageW.
    HWND gone = other.hwnd;
    DestroyWindow(gone);
    SetLastError(0);
    EXPECT_FALSE(PeekMessageW(&m, gone, 0, 0, PM_REMOVE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    SetLastError(0);
    EXPECT_EQ(GetMessageW(&m, gone, 0, 0), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(PeekMessageW(nullptr, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    // The destroyed window's message is dropped, not handed out.
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.wParam, 2u);
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueue, QuitComesWhenNothingElseIsPostedWhateverTheFilter)
{
    TestWindow w;
    PostMessageW(w.hwnd, kA, 0, 0);
    PostQuitMessage(7);
    PostMessageW(w.hwnd, kB, 0, 0);
    MSG m{};
    // Posted messages, even those posted after the quit, come first; a filter that passes none of them
    // finds nothing, not the quit.
    EXPECT_FALSE(PeekMessageW(&m, nullptr, WM_USER, WM_USER, PM_NOREMOVE));
    ASSERT_EQ(GetMessageW(&m, nullptr, 0, 0), TRUE);
    EXPECT_EQ(m.message, kA);
    ASSERT_EQ(GetMessageW(&m, nullptr, 0, 0), TRUE);
    EXPECT_EQ(m.message, kB);

    ASSERT_TRUE(PeekMessageW(&m, w.hwnd, WM_USER, WM_USER, PM_NOREMOVE)) << "the quit passes any filter";
    EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
    m = Sentinel();
    EXPECT_EQ(GetMessageW(&m, nullptr, 0, 0), FALSE);
    EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(m.hwnd, nullptr);
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) << "the quit is taken once";

    // A quit the event loop reaches ends the message loop with its code.
    PostQuitMessage(3);
    EXPECT_EQ(gwes::RunMessageLoop(), 3);
}

TEST_F(MessageQueue, TimersComeAfterPostedMessagesAndOnceUntilTaken)
{
    TestWindow w;
    ASSERT_EQ(SetTimer(w.hwnd, 9, 60000, nullptr), 9u);
    gwes::FireTimer(w.hwnd, 9);
    gwes::FireTimer(w.hwnd, 9);
    PostMessageW(w.hwnd, kA, 0, 0);
    MSG m{};
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, kA);
    ASSERT_TRUE(PeekMessageW(&m, w.hwnd, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(m.wParam, 9u);
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
    EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) << "two expiries, one WM_TIMER";

    // Once taken it can fall due again; killing the timer takes back the tick that waits.
    gwes::FireTimer(w.hwnd, 9);
    ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    EXPECT_TRUE(KillTimer(w.hwnd, 9));
    EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    gwes::ProcessPending();
    EXPECT_EQ(w.Count(WM_TIMER), 0);
}

TEST_F(MessageQueue, TimersBelongToTheWindowThreadAndOtherThreadsHaveQueuesOfTheirOwn)
{
    TestWindow w;
    ASSERT_EQ(SetTimer(w.hwnd, 4, 60000, nullptr), 4u);
    struct Result
    {
        UINT_PTR set = 1;
        BOOL kill = TRUE;
        DWORD setError = 0, killError = 0;
        BOOL fire = TRUE;
        BOOL postToNoQueue = TRUE;
        DWORD postError = 0;
    } r;
    const DWORD self = GetCurrentThreadId();
    std::thread other(
        [&]
        {
            SetLastError(0);
            r.set = SetTimer(w.hwnd, 5, 100, nullptr);
            r.setError = GetLastError();
            SetLastError(0);
            r.kill = KillTimer(w.hwnd, 4);
            r.killError = GetLastError();
            r.fire = gwes::FireTimer(w.hwnd, 4);
            SetLastError(0);
            r.postToNoQueue = PostThreadMessageW(self + 100000, kA, 0, 0);
            r.postError = GetLastError();
        });
    other.join();
    EXPECT_EQ(r.set, 0u);
    EXPECT_EQ(r.setError, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(r.kill);
    EXPECT_EQ(r.killError, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(r.fire);
    EXPECT_FALSE(r.postToNoQueue);
    EXPECT_EQ(r.postError, static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
    EXPECT_EQ(gwes::WindowTimers(w.hwnd), (std::vector<UINT_PTR>{4})) << "the timer is untouched";
    EXPECT_TRUE(KillTimer(w.hwnd, 4));

    // A worker thread with a queue of its own waits in GetMessageW for what is posted to it.
    std::atomic<DWORD> worker{0};
    MSG got{};
    BOOL result = -2;
    std::thread waiter(
        [&]
        {
            MSG m;
            EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE)); // makes the queue
            worker = GetCurrentThreadId();
            result = GetMessageW(&got, nullptr, kB, kB);
        });
    while (!worker)
        std::this_thread::yield();
    EXPECT_TRUE(PostThreadMessageW(worker, kA, 1, 0));
    EXPECT_TRUE(PostThreadMessageW(worker, kB, 2, 0));
    waiter.join();
    EXPECT_EQ(result, TRUE);
    EXPECT_EQ(got.message, kB);
    EXPECT_EQ(got.wParam, 2u);
    MSG none{};
    EXPECT_FALSE(PeekMessageW(&none, nullptr, kA, kB, PM_REMOVE))
        << "the worker's queue is not this thread's";
}
