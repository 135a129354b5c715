// The channel table: which channel numbers have a frequency, and the reverse lookups over a range.

#include <AdapterConfig.h>

#include <gtest/gtest.h>

namespace
{

struct ChannelRow
{
    int nChannel;
    DWORD dwFrequency;
};

TEST(ChannelFrequency, MapsChannelsToKilohertz)
{
    const ChannelRow rows[] = {

        // 2.4 GHz
        ChannelRow{1, 2412000}, ChannelRow{6, 2437000}, ChannelRow{13, 2472000}, ChannelRow{14, 2484000},
        ChannelRow{15, 0},
        // 5 GHz
        ChannelRow{16, 5080000}, ChannelRow{34, 5170000}, ChannelRow{36, 5180000}, ChannelRow{37, 0},
        ChannelRow{48, 5240000}, ChannelRow{50, 0}, ChannelRow{52, 5260000}, ChannelRow{64, 5320000},
        ChannelRow{100, 5500000}, ChannelRow{102, 0}, ChannelRow{140, 5700000}, ChannelRow{144, 0},
        ChannelRow{149, 5745000}, ChannelRow{161, 5805000}, ChannelRow{165, 0},
        // 4.9 GHz, counted down from 256
        ChannelRow{240, 4920000}, ChannelRow{241, 0}, ChannelRow{244, 4940000}, ChannelRow{248, 4960000},
        ChannelRow{252, 4980000}, ChannelRow{256, 0},
        // no channel, and numbers outside the table
        ChannelRow{0, 0}, ChannelRow{-1, 0}, ChannelRow{257, 0}, ChannelRow{100000, 0}};
    ChannelFrequencyTable table;
    for (const ChannelRow& row : rows)
        EXPECT_EQ(table.FrequencyOf(row.nChannel), row.dwFrequency) << "channel " << row.nChannel;
}

TEST(ChannelLookup, FindsTheLowestChannelInTheRangeOnly)
{
    ChannelFrequencyTable table;
    EXPECT_EQ(table.ChannelOf(2484000, 1, 256), 14);
    EXPECT_EQ(table.ChannelOf(4980000, 1, 256), 252);
    EXPECT_EQ(table.ChannelOf(5180000, 1, 256), 36);
    EXPECT_EQ(table.ChannelOf(5180000, 1, 14), 0);
    EXPECT_EQ(table.ChannelOf(2450000, 1, 256), 0);
    // Unused entries hold 0, which is never a channel's frequency.
    EXPECT_EQ(table.ChannelOf(0, 1, 256), 0);
    // A range reaching outside 1..256 is cut to it.
    EXPECT_EQ(table.ChannelOf(2412000, -5, 1000), 1);
}

} // namespace
