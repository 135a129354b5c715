#include <kernel/time_scale.h>
#include <scoped_time_scale.h>

#include <gtest/gtest.h>

#include <string>

TEST(TimeScale, TakesPositiveDecimalNumbersInRangeAndNothingElse)
{
    EXPECT_EQ(ce::ParseTimeScale("1"), 1.0);
    EXPECT_EQ(ce::ParseTimeScale("1000"), 1000.0);
    EXPECT_EQ(ce::ParseTimeScale("2.5"), 2.5);
    EXPECT_EQ(ce::ParseTimeScale("0.001"), 0.001);
    EXPECT_EQ(ce::ParseTimeScale("100000"), 100000.0);
    for (const char* junk : {"", "fast", "0", "-5", "+2", "1e3", "inf", "nan", "10x", " 5", "5 ", "0x10",
                             "100001", "0.0009", "1,5"})
        EXPECT_EQ(ce::ParseTimeScale(junk), std::nullopt) << junk;
}

TEST(TimeScale, AJunkValueIsSaidOnceAndTimeRunsAtItsRealRate)
{
    {
        testing_support::ScopedTimeScale scale("fast");
        testing::internal::CaptureStderr();
        EXPECT_EQ(ce::TimeScale(), 1.0);
        EXPECT_EQ(ce::TimeScale(), 1.0);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("QN40_TIME_SCALE=fast"), std::string::npos) << said;
        EXPECT_EQ(said.find('\n'), said.size() - 1) << said; // one line
    }
    {
        testing_support::ScopedTimeScale scale("250");
        EXPECT_EQ(ce::TimeScale(), 250.0);
    }
    EXPECT_EQ(ce::TimeScale(), 1.0); // unset
}

TEST(TimeScale, PeriodsShrinkByTheScaleRoundedAndNeverToNothing)
{
    EXPECT_EQ(ce::ScaledPeriodMs(3500), 3500u);
    {
        testing_support::ScopedTimeScale scale("1000");
        EXPECT_EQ(ce::ScaledPeriodMs(3500), 4u); // 3.5 ms
        EXPECT_EQ(ce::ScaledPeriodMs(8000), 8u);
        EXPECT_EQ(ce::ScaledPeriodMs(10), 1u);
        EXPECT_EQ(ce::ScaledPeriodMs(0), 0u);
    }
    {
        testing_support::ScopedTimeScale scale("0.5");
        EXPECT_EQ(ce::ScaledPeriodMs(3500), 7000u);
        EXPECT_EQ(ce::ScaledPeriodMs(4000000000u), 4294967295u); // saturates
    }
}
