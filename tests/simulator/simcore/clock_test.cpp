// The simulated clock under the handheld's time scale: it runs N times faster than real time, processes
// of one handheld read the same time, a change of scale never makes it jump, and freezing and moving it
// keep working.
#include <simcore/clock.h>

#include <scoped_time_scale.h>
#include <temp_handheld.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace
{

int64_t RealMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// One reading of the simulated clock between two of real time.
struct Reading
{
    int64_t realBefore;
    int64_t sim;
    int64_t realAfter;
};

Reading Read()
{
    Reading r{};
    r.realBefore = RealMs();
    r.sim = sim::clock::NowMs();
    r.realAfter = RealMs();
    return r;
}

void Sleep(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The simulated time that passed between two readings lies within what `scale` makes of the real time
// that surely passed and that may have passed (2 ms either side for rounding).
testing::AssertionResult RanAt(const Reading& a, const Reading& b, int64_t scale)
{
    const int64_t least = (b.realBefore - a.realAfter - 2) * scale;
    const int64_t most = (b.realAfter - a.realBefore + 2) * scale;
    const int64_t ran = b.sim - a.sim;
    if (ran >= least && ran <= most)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "ran " << ran << " ms, expected " << least << ".." << most;
}

class ScaledClock : public testing::Test
{
protected:
    testing_support::TempHandheld m_handheld;
};

TEST_F(ScaledClock, RunsAtTheScaleAndNeverJumpsWhenTheScaleChanges)
{
    const Reading real1 = Read();
    Sleep(30);
    const Reading real2 = Read();
    EXPECT_TRUE(RanAt(real1, real2, 1));
    {
        testing_support::ScopedTimeScale scale("200");
        // The first read at the new scale goes on from the time the clock showed.
        const Reading fast1 = Read();
        EXPECT_GE(fast1.sim, real2.sim);
        EXPECT_LE(fast1.sim - real2.sim, (fast1.realAfter - real2.realBefore + 2) * 200);
        Sleep(50);
        const Reading fast2 = Read();
        EXPECT_TRUE(RanAt(fast1, fast2, 200));
        Sleep(20);
        const Reading fast3 = Read();
        EXPECT_TRUE(RanAt(fast2, fast3, 200));
    }
    // Back at real time: on from where it was, at the real rate.
    const Reading slow1 = Read();
    Sleep(30);
    const Reading slow2 = Read();
    EXPECT_GE(slow1.sim, real2.sim + 200 * 60);
    EXPECT_TRUE(RanAt(slow1, slow2, 1));
}

TEST_F(ScaledClock, AProcessStartedLaterReadsTheSameTime)
{
    testing_support::ScopedTimeScale scale("1000");
    const Reading first = Read(); // anchors the clock at this scale
    Sleep(40);
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const Reading before = Read();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        // Another process of the handheld, with the same scale, loading the clock's state afresh.
        const int64_t now = sim::clock::NowMs();
        const bool sent = write(pipeFds[1], &now, sizeof now) == static_cast<ssize_t>(sizeof now);
        _exit(sent ? 0 : 1);
    }
    int64_t childNow = 0;
    ASSERT_EQ(read(pipeFds[0], &childNow, sizeof childNow), static_cast<ssize_t>(sizeof childNow));
    const Reading after = Read();
    int status = 0;
    waitpid(child, &status, 0);
    close(pipeFds[0]);
    close(pipeFds[1]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_LE(before.sim, childNow);
    EXPECT_LE(childNow, after.sim);
    EXPECT_TRUE(RanAt(first, after, 1000));
}

TEST_F(ScaledClock, FreezingAndMovingTheClockKeepWorking)
{
    testing_support::ScopedTimeScale scale("1000");
    sim::clock::Freeze();
    const int64_t frozen = sim::clock::NowMs();
    Sleep(20);
    EXPECT_EQ(sim::clock::NowMs(), frozen);
    EXPECT_EQ(sim::clock::Advance(5000), ERROR_SUCCESS);
    EXPECT_EQ(sim::clock::NowMs(), frozen + 5000);

    // Running again, from the frozen instant at the scale; a move shifts the running clock exactly.
    const int64_t beforeRun = RealMs();
    sim::clock::Run();
    const Reading run1 = Read();
    EXPECT_GE(run1.sim, frozen + 5000);
    EXPECT_LE(run1.sim, frozen + 5000 + (run1.realAfter - beforeRun + 2) * 1000);
    EXPECT_EQ(sim::clock::Advance(-3600000), ERROR_SUCCESS);
    Sleep(20);
    const Reading run2 = Read();
    const int64_t least = (run2.realBefore - run1.realAfter - 2) * 1000 - 3600000;
    const int64_t most = (run2.realAfter - run1.realBefore + 2) * 1000 - 3600000;
    EXPECT_GE(run2.sim - run1.sim, least);
    EXPECT_LE(run2.sim - run1.sim, most);
}

} // namespace
