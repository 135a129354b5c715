// Handles, events, mutexes within one process, waits, time and the local heap.
#include <windows.h>

#include <gtest/gtest.h>
#include <temp_handheld.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Lets threads that were just started reach their wait.
void LetThreadsBlock()
{
    Sleep(60);
}

TEST(Handles, AreSmallDistinctValuesClosedOnce)
{
    std::set<uintptr_t> values;
    std::vector<HANDLE> handles;
    for (int i = 0; i < 8; ++i)
    {
        HANDLE h =
            i % 2 ? CreateEventW(nullptr, FALSE, FALSE, nullptr) : CreateMutexW(nullptr, FALSE, nullptr);
        ASSERT_NE(h, nullptr);
        uintptr_t v = reinterpret_cast<uintptr_t>(h);
        EXPECT_LT(v, 0x80000000u);
        EXPECT_EQ(v % 4, 0u);
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        values.insert(v);
        handles.push_back(h);
    }
    EXPECT_EQ(values.size(), handles.size());
    for (HANDLE h : handles)
        EXPECT_TRUE(CloseHandle(h));
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(handles[0]));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Handles, BadHandlesFailEveryCall)
{
    HANDLE closed = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    ASSERT_TRUE(CloseHandle(closed));
    HANDLE bad[] = {nullptr, INVALID_HANDLE_VALUE, reinterpret_cast<HANDLE>(0x12345678), closed,
                    reinterpret_cast<HANDLE>(~uintptr_t(0) - 3)};
    for (HANDLE h : bad)
    {
        SCOPED_TRACE(reinterpret_cast<uintptr_t>(h));
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(h));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        SetLastError(0);
        EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        SetLastError(0);
        EXPECT_FALSE(SetEvent(h));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        SetLastError(0);
        EXPECT_FALSE(ReleaseMutex(h));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
}

TEST(Events, InitialStateAndResetKind)
{
    struct Row
    {
        BOOL manual;
        BOOL initial;
        DWORD first;
        DWORD second;
    } rows[] = {
        {TRUE, TRUE, WAIT_OBJECT_0, WAIT_OBJECT_0},
        {FALSE, TRUE, WAIT_OBJECT_0, WAIT_TIMEOUT},
        {TRUE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
        {FALSE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "manual " << row.manual << " initial " << row.initial);
        SetLastError(1234);
        HANDLE event = CreateEventW(nullptr, row.manual, row.initial, nullptr);
        ASSERT_NE(event, nullptr);
        EXPECT_EQ(GetLastError(), 0u);
        EXPECT_EQ(WaitForSingleObject(event, 0), row.first);
        EXPECT_EQ(WaitForSingleObject(event, 0), row.second);
        EXPECT_TRUE(CloseHandle(event));
    }
}

TEST(Events, EventModifyFunctions)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    EXPECT_TRUE(EventModify(event, 3)); // EVENT_SET
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(EventModify(event, 2)); // EVENT_RESET
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(SetEvent(event));
    EXPECT_TRUE(EventModify(event, 1)); // EVENT_PULSE: no waiter, ends not signalled
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(SetEvent(event));
    EXPECT_TRUE(ResetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    for (DWORD func : {0u, 4u, 0xFFFFFFFFu})
    {
        SetLastError(0);
        EXPECT_FALSE(EventModify(event, func));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
    SetLastError(0);
    EXPECT_FALSE(SetEvent(mutex));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    CloseHandle(mutex);
    CloseHandle(event);
}

TEST(Events, NamedEventsShareOneObjectWhileAHandleIsOpen)
{
    const char16_t* name = u"PCANDIS4Evt-00000001-00000002";
    SetLastError(1234);
    HANDLE first = CreateEventW(nullptr, TRUE, FALSE, name);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), 0u);

    HANDLE second = CreateEventW(nullptr, FALSE, TRUE, name); // kind and state of the existing event win
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_NE(second, first);
    EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_TIMEOUT);
    HANDLE opened = OpenEventW(EVENT_ALL_ACCESS, FALSE, name);
    ASSERT_NE(opened, nullptr);
    EXPECT_TRUE(SetEvent(opened));
    EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0); // still manual reset

    // Names are exact: another case is another event.
    HANDLE other = OpenEventW(EVENT_ALL_ACCESS, FALSE, u"pcandis4evt-00000001-00000002");
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    EXPECT_TRUE(CloseHandle(first));
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_EQ(WaitForSingleObject(opened, 0), WAIT_OBJECT_0); // alive through the last handle
    EXPECT_TRUE(CloseHandle(opened));

    SetLastError(0);
    EXPECT_EQ(OpenEventW(EVENT_ALL_ACCESS, FALSE, name), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    HANDLE fresh = CreateEventW(nullptr, TRUE, FALSE, name);
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(WaitForSingleObject(fresh, 0), WAIT_TIMEOUT);
    CloseHandle(fresh);

    SetLastError(0);
    EXPECT_EQ(OpenEventW(EVENT_ALL_ACCESS, FALSE, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(Waits, TimeOutWithinTheirLimit)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE mutex = CreateMutexW(nullptr, TRUE, nullptr);
    auto start = Clock::now();
    EXPECT_EQ(WaitForSingleObject(event, 50), static_cast<DWORD>(WAIT_TIMEOUT));
    long long elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, 50);
    EXPECT_LT(elapsed, 250);

    DWORD result = 0;
    std::thread other(
        [&]
        {
            auto s = Clock::now();
            result = WaitForSingleObject(mutex, 50);
            elapsed = MillisecondsSince(s);
        });
    other.join();
    EXPECT_EQ(result, static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_GE(elapsed, 50);
    EXPECT_LT(elapsed, 250);

    start = Clock::now();
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_LT(MillisecondsSince(start), 20);
    CloseHandle(event);
    CloseHandle(mutex);
}

TEST(Waits, NamedEventSetFromAnotherThreadWakesTheWaiter)
{
    // The shape of a pending driver request: the client waits, the driver's thread opens and sets.
    for (DWORD timeout : {INFINITE, 3000u})
    {
        HANDLE event = CreateEventW(nullptr, TRUE, FALSE, u"Completion");
        ASSERT_NE(event, nullptr);
        std::thread driver(
            []
            {
                Sleep(30);
                HANDLE mine = OpenEventW(EVENT_ALL_ACCESS, FALSE, u"Completion");
                SetEvent(mine);
                CloseHandle(mine);
            });
        auto start = Clock::now();
        EXPECT_EQ(WaitForSingleObject(event, timeout), WAIT_OBJECT_0);
        EXPECT_LT(MillisecondsSince(start), 1000);
        driver.join();
        CloseHandle(event);
    }
}

TEST(Waits, AutoResetReleasesOneWaiterPerSignal)
{
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back(
            [&]
            {
                if (WaitForSingleObject(event, 3000) == WAIT_OBJECT_0)
                    ++released;
            });
    LetThreadsBlock();
    for (int expected = 1; expected <= 3; ++expected)
    {
        SetEvent(event);
        for (int spin = 0; spin < 100 && released < expected; ++spin)
            Sleep(5);
        Sleep(30); // would let a second waiter through if the signal released more than one
        EXPECT_EQ(released.load(), expected);
    }
    for (auto& t : waiters)
        t.join();
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT)); // consumed
    CloseHandle(event);
}

TEST(Waits, PulseReleasesTheWaitersOfTheMoment)
{
    for (BOOL manual : {TRUE, FALSE})
    {
        SCOPED_TRACE(manual ? "manual reset" : "auto reset");
        HANDLE event = CreateEventW(nullptr, manual, FALSE, nullptr);
        std::atomic<int> released{0};
        std::vector<std::thread> waiters;
        for (int i = 0; i < 3; ++i)
            waiters.emplace_back(
                [&]
                {
                    if (WaitForSingleObject(event, 400) == WAIT_OBJECT_0)
                        ++released;
                });
        LetThreadsBlock();
        EXPECT_TRUE(PulseEvent(event));
        for (auto& t : waiters)
            t.join();
        EXPECT_EQ(released.load(), manual ? 3 : 1);
        EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
        CloseHandle(event);
    }
}

TEST(Waits, ClosingTheLastHandleDoesNotEndAWait)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, u"Closing");
    HANDLE setter = OpenEventW(EVENT_ALL_ACCESS, FALSE, u"Closing");
    DWORD result = 0;
    std::thread waiter([&] { result = WaitForSingleObject(event, 2000); });
    LetThreadsBlock();
    CloseHandle(event);
    SetEvent(setter);
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
    CloseHandle(setter);
}

TEST(Mutexes, OwnershipIsPerThreadAndRecursive)
{
    SetLastError(1234);
    HANDLE mutex = CreateMutexW(nullptr, TRUE, nullptr);
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);

    DWORD otherWait = 0;
    BOOL otherRelease = TRUE;
    DWORD otherError = 0;
    std::thread(
        [&]
        {
            otherWait = WaitForSingleObject(mutex, 0);
            otherRelease = ReleaseMutex(mutex);
            otherError = GetLastError();
        })
        .join();
    EXPECT_EQ(otherWait, static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_FALSE(otherRelease);
    EXPECT_EQ(otherError, static_cast<DWORD>(ERROR_NOT_OWNER));

    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_TRUE(ReleaseMutex(mutex));
    std::thread([&] { otherWait = WaitForSingleObject(mutex, 0); }).join();
    EXPECT_EQ(otherWait, static_cast<DWORD>(WAIT_TIMEOUT)); // one level is still held
    EXPECT_TRUE(ReleaseMutex(mutex));
    SetLastError(0);
    EXPECT_FALSE(ReleaseMutex(mutex));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));

    // A waiter gets it as soon as the owner lets go.
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    std::thread waiter(
        [&]
        {
            otherWait = WaitForSingleObject(mutex, 2000);
            ReleaseMutex(mutex);
        });
    LetThreadsBlock();
    EXPECT_TRUE(ReleaseMutex(mutex));
    waiter.join();
    EXPECT_EQ(otherWait, WAIT_OBJECT_0);
    CloseHandle(mutex);
}

TEST(Mutexes, AThreadThatEndsOwningAbandonsIt)
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
    std::thread([&] { EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0); }).join();
    EXPECT_EQ(WaitForSingleObject(mutex, 1000), static_cast<DWORD>(WAIT_ABANDONED));
    EXPECT_TRUE(ReleaseMutex(mutex)); // the waiter owns it now
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(mutex));
    CloseHandle(mutex);
}

TEST(Mutexes, SecondCreateOfANameInTheProcessFindsIt)
{
    testing_support::TempHandheld handheld;
    SetLastError(1234);
    HANDLE first = CreateMutexW(nullptr, FALSE, u"QRVSupplicantUI-test");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), 0u);
    HANDLE second = CreateMutexW(nullptr, TRUE, u"QRVSupplicantUI-test");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_NE(first, second);
    // The second creator found it existing, so it did not become the owner.
    SetLastError(0);
    EXPECT_FALSE(ReleaseMutex(second));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));
    // Both handles name one mutex.
    EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_OBJECT_0);
    DWORD otherWait = 0;
    std::thread([&] { otherWait = WaitForSingleObject(second, 0); }).join();
    EXPECT_EQ(otherWait, static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(ReleaseMutex(second));

    // Events and mutexes share the namespace: the name is no event.
    SetLastError(0);
    EXPECT_EQ(CreateEventW(nullptr, TRUE, FALSE, u"QRVSupplicantUI-test"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    CloseHandle(first);
    CloseHandle(second);
    SetLastError(1234);
    HANDLE again = CreateMutexW(nullptr, FALSE, u"QRVSupplicantUI-test");
    EXPECT_EQ(GetLastError(), 0u);
    CloseHandle(again);
}

TEST(Time, TickCountFollowsSleep)
{
    DWORD before = GetTickCount();
    auto start = Clock::now();
    Sleep(30);
    DWORD ticks = GetTickCount() - before;
    EXPECT_GE(MillisecondsSince(start), 30);
    EXPECT_GE(ticks, 29u); // whole milliseconds on both sides
    EXPECT_LT(ticks, 500u);
}

TEST(LocalHeap, FixedAndZeroedBlocks)
{
    auto* zeroed = static_cast<unsigned char*>(LocalAlloc(LPTR, 64));
    ASSERT_NE(zeroed, nullptr);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(zeroed[i], 0);
    EXPECT_EQ(LocalFree(zeroed), nullptr);
    HLOCAL empty = LocalAlloc(LMEM_FIXED, 0);
    EXPECT_NE(empty, nullptr);
    EXPECT_EQ(LocalFree(empty), nullptr);
    EXPECT_EQ(LocalFree(nullptr), nullptr);
    SetLastError(0);
    EXPECT_EQ(LocalAlloc(0x0002 /* LMEM_MOVEABLE */, 16), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

} // namespace
