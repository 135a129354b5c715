// Window handles allocated across processes.
#include "peer_process.h"
#include "station_test_util.h"

#include <temp_handheld.h>

#include <gtest/gtest.h>
#include <fstream>
#include <set>

namespace ws = ce::winstation;
using namespace station_test;

TEST(WindowHandles, UniqueAcrossProcessesAllocatingAtOnce)
{
    testing_support::TempHandheld handheld;
    constexpr int kEach = 1500;
    PeerProcess a({"alloc", std::to_string(kEach)});
    PeerProcess b({"alloc", std::to_string(kEach)});
    std::vector<uint32_t> all;
    for (int i = 0; i < kEach; ++i)
        all.push_back(ws::AllocateWindowHandle());
    for (PeerProcess* p : {&a, &b})
        while (auto line = p->ReadLine())
            all.push_back(static_cast<uint32_t>(std::stoul(*line)));
    ASSERT_EQ(all.size(), 3u * kEach);
    std::set<uint32_t> distinct(all.begin(), all.end());
    EXPECT_EQ(distinct.size(), all.size());
    EXPECT_EQ(*distinct.begin(), 0x10000u);
    EXPECT_EQ(*distinct.rbegin(), 0x10000u + 3 * kEach - 1);
}

TEST(WindowHandles, CounterStateDecidesTheNextHandle)
{
    struct Case
    {
        const char* counter;
        uint32_t expected;
    };
    // clang-format off
    const Case cases[] = {
        {"", 0x10000},
        {"12\n", 0x10000},            // below the first handle
        {"100000\n", 100000},
        {"2147483647\n", 0x7FFFFFFF}, // the last one below 2^31
        {"2147483648\n", 0},          // exhausted
        {"garbage\n", 0},             // unreadable: never restart and hand out values twice
    };
    // clang-format on
    for (const auto& c : cases)
    {
        testing_support::TempHandheld handheld;
        ASSERT_TRUE(ws::Listen());
        {
            std::ofstream out(StationDir() / "handles", std::ios::trunc);
            out << c.counter;
        }
        EXPECT_EQ(ws::AllocateWindowHandle(), c.expected) << c.counter;
    }
}
