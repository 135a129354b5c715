// Finding windows by title across the processes of the handheld, and forgetting those of processes
// that have ended.
#include "peer_process.h"
#include "station_test_util.h"

#include <temp_handheld.h>

#include <gtest/gtest.h>
#include <csignal>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
namespace ws = ce::winstation;
using namespace station_test;

namespace
{

uint32_t ToHandle(const std::string& word)
{
    return static_cast<uint32_t>(std::stoul(word));
}

uint64_t StartTimeOf(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto words = SplitWords(text.substr(text.rfind(')') + 1));
    return std::stoull(words.at(19));
}

} // namespace

TEST(WindowLookup, FindsOnlyTheExactTitleOfAnotherProcess)
{
    testing_support::TempHandheld handheld;
    PeerProcess peer({"serve", "--title", "QN40-SD Utility", "--title", "無線網路 設定"});
    auto ready = peer.ReadWords();
    ASSERT_EQ(ready.size(), 4u);
    ASSERT_EQ(ready[0], "ready");
    uint32_t utility = ToHandle(ready[2]);
    uint32_t chinese = ToHandle(ready[3]);

    struct Case
    {
        std::u16string title;
        uint32_t expected;
    };
    const Case cases[] = {
        {u"QN40-SD Utility", utility},
        {u"無線網路 設定", chinese},
        {u"qn40-sd utility", 0}, // the comparison
                                 // is
                                 // case-sensitive
        {u"QN40-SD Utilit", 0},
        {u"QN40-SD Utility ", 0},
        {u"無線網路", 0},
        {u"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ws::FindWindowByTitle(c.title), c.expected) << std::string(c.title.begin(), c.title.end());

    EXPECT_EQ(ws::WindowProcess(utility), static_cast<uint32_t>(peer.pid()));
    EXPECT_EQ(ws::WindowProcess(utility + 1000), 0u);
}

TEST(WindowLookup, ListsWindowsOfAllProcessesInPublicationOrder)
{
    testing_support::TempHandheld handheld;
    uint32_t first = ws::AllocateWindowHandle();
    ASSERT_TRUE(ws::PublishWindow(first, u"first"));
    PeerProcess peer({"serve", "--title", "second"});
    auto ready = peer.ReadWords();
    ASSERT_EQ(ready.size(), 3u);
    uint32_t second = ToHandle(ready[2]);
    uint32_t third = ws::AllocateWindowHandle();
    ASSERT_TRUE(ws::PublishWindow(third, u"third"));
    ASSERT_TRUE(ws::PublishWindow(first, u"renamed")); // a new title keeps the window's place

    auto list = ws::ListWindows();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].hwnd, first);
    EXPECT_EQ(list[0].title, u"renamed");
    EXPECT_EQ(list[0].pid, static_cast<uint32_t>(::getpid()));
    EXPECT_EQ(list[1].hwnd, second);
    EXPECT_EQ(list[1].pid, static_cast<uint32_t>(peer.pid()));
    EXPECT_EQ(list[2].hwnd, third);
    EXPECT_EQ(ws::FindWindowByTitle(u"first"), 0u);

    ws::UnpublishWindow(first);
    EXPECT_EQ(ws::FindWindowByTitle(u"renamed"), 0u);
    EXPECT_EQ(ws::WindowProcess(first), 0u);
    EXPECT_EQ(ws::ListWindows().size(), 2u);
}

// How the peer ends: on its own (it withdraws its windows), killed and reaped, or killed and left a
// zombie (its pid still answers a signal test).
enum class Ending
{
    Exit,
    KillAndReap,
    KillZombie,
};

class WindowLookupAfterDeath : public ::testing::TestWithParam<Ending>
{
};

TEST_P(WindowLookupAfterDeath, ForgetsAndCleansUpTheProcess)
{
    testing_support::TempHandheld handheld;
    PeerProcess peer({"serve", "--title", "Doomed"});
    ASSERT_EQ(peer.ReadWords().size(), 3u);
    ASSERT_NE(ws::FindWindowByTitle(u"Doomed"), 0u);
    uint32_t pid = static_cast<uint32_t>(peer.pid());
    fs::path list = StationDir() / (std::to_string(pid) + ".windows");
    ASSERT_TRUE(fs::exists(list));
    ASSERT_TRUE(fs::exists(SocketOf(pid)));

    if (GetParam() == Ending::Exit)
    {
        peer.CloseInput();
        EXPECT_EQ(peer.Wait(), 0);
    }
    else
    {
        peer.Kill(SIGKILL);
        if (GetParam() == Ending::KillAndReap)
            peer.Wait();
        else
            for (int i = 0; i < 200 && ::kill(peer.pid(), 0) == 0; ++i)
            {
                std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
                std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
                if (text.find(") Z") != std::string::npos)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
    }
    EXPECT_EQ(ws::FindWindowByTitle(u"Doomed"), 0u);
    EXPECT_TRUE(ws::ListWindows().empty());
    EXPECT_FALSE(fs::exists(list));
    EXPECT_FALSE(fs::exists(SocketOf(pid)));
    ws::Message m;
    m.message = 0x400;
    EXPECT_EQ(ws::Broadcast(m), 0);
}

INSTANTIATE_TEST_SUITE_P(Endings, WindowLookupAfterDeath,
                         ::testing::Values(Ending::Exit, Ending::KillAndReap, Ending::KillZombie),
                         [](const ::testing::TestParamInfo<Ending>& info)
                         {
                             switch (info.param)
                             {
                             case Ending::Exit:
                                 return "Exit";
                             case Ending::KillAndReap:
                                 return "KillAndReap";
                             case Ending::KillZombie:
                                 return "KillZombie";
                             }
                             return "Unknown";
                         });

TEST(WindowLookup, IgnoresAListWhosePidNowBelongsToAnotherProcess)
{
    testing_support::TempHandheld handheld;
    ASSERT_TRUE(ws::Listen()); // creates the folder
    // The parent of this test runs and never publishes: a list under its pid is found only if it carries
    // the parent's start time; with another start time it was left by an earlier process with that pid.
    pid_t other = ::getppid();
    fs::path file = StationDir() / (std::to_string(other) + ".windows");
    for (bool sameStart : {true, false})
    {
        uint64_t start = StartTimeOf(other) + (sameStart ? 0 : 1);
        {
            std::ofstream out(file);
            out << "qn40-winstation-windows 1\nprocess " << other << " " << start
                << "\nwindow 70000 1 0041\n";
        }
        EXPECT_EQ(ws::FindWindowByTitle(u"A"), sameStart ? 70000u : 0u) << sameStart;
        EXPECT_EQ(fs::exists(file), sameStart);
    }
    fs::remove(file);
}
