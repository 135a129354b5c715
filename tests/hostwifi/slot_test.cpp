// The slot following the host's links: the decision from link messages (built with libnl), the card's
// Drivers\Active entry and its broadcasts, and the watcher over a real rtnetlink in a network namespace
// of the test's own.
#include "hostwifi_test.h"

#include <hostwifi/host_slot.h>

#include <sdslot/sd_slot.h>
#include <simcore/text.h>

#include <dbt.h>
#include <windows.h>

#include "temp_handheld.h"

#include <netlink/route/link.h>
#include <netlink/route/link/veth.h>

#include <linux/if.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <poll.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace hwtest;

namespace
{

hostwifi::LinkMessage LinkEvent(bool removed, int ifindex, const char* name)
{
    rtnl_link* link = rtnl_link_alloc();
    rtnl_link_set_ifindex(link, ifindex);
    rtnl_link_set_name(link, name);
    rtnl_link_set_flags(link, IFF_UP);
    nl_msg* raw = nullptr;
    const int built =
        removed ? rtnl_link_build_delete_request(link, &raw) : rtnl_link_build_add_request(link, 0, &raw);
    rtnl_link_put(link);
    EXPECT_EQ(built, 0);
    Message message(raw, nlmsg_free);
    auto parsed = hostwifi::ParseLinkMessage(nlmsg_hdr(message.get()));
    EXPECT_TRUE(parsed);
    return parsed.value_or(hostwifi::LinkMessage{});
}

hostwifi::LinkInfo LinkNamed(uint32_t ifindex, const std::string& name)
{
    hostwifi::LinkInfo link;
    link.ifindex = ifindex;
    link.name = name;
    return link;
}

TEST(HostWifiSlot, TheNamedInterfaceComesGoesAndIsFollowedThroughRenames)
{
    hostwifi::SlotFollower follower("wlan0", nullptr);
    EXPECT_FALSE(follower.Reset({LinkNamed(1, "lo"), LinkNamed(2, "eth0")}));

    EXPECT_EQ(follower.OnLinkMessage(LinkEvent(false, 7, "wlan0")), std::optional<bool>(true))
        << "module loaded";
    EXPECT_EQ(follower.OnLinkMessage(LinkEvent(false, 7, "wlan0")), std::nullopt) << "a change of its flags";
    EXPECT_EQ(follower.OnLinkMessage(LinkEvent(false, 2, "eth0")), std::nullopt) << "another link";
    EXPECT_EQ(follower.OnLinkMessage(LinkEvent(false, 7, "wlp2s0")), std::optional<bool>(false)) << "renamed";
    EXPECT_EQ(follower.OnLinkMessage(LinkEvent(false, 8, "wlan0")), std::optional<bool>(true)) << "a new one";
    EXPECT_EQ(follower.OnLinkMessage(LinkEvent(true, 7, "wlp2s0")), std::nullopt) << "the old one goes";
    EXPECT_EQ(follower.OnLinkMessage(LinkEvent(true, 8, "wlan0")), std::optional<bool>(false))
        << "stick pulled";
    EXPECT_TRUE(follower.Reset({LinkNamed(9, "wlan0")})) << "a fresh list after lost events";
}

TEST(HostWifiSlot, AutoFollowsAnyWirelessInterface)
{
    hostwifi::SlotFollower follower("auto",
                                    [](const hostwifi::LinkInfo& l) { return l.name.rfind("wl", 0) == 0; });
    EXPECT_FALSE(follower.Reset({LinkNamed(2, "eth0")}));
    EXPECT_EQ(follower.OnLinkMessage(LinkEvent(false, 5, "wlan0")), std::optional<bool>(true));
    EXPECT_EQ(follower.OnLinkMessage(LinkEvent(false, 6, "wlan1")), std::nullopt) << "a second one: still in";
    EXPECT_EQ(follower.OnLinkMessage(LinkEvent(true, 5, "wlan0")), std::nullopt) << "one of two goes";
    EXPECT_EQ(follower.OnLinkMessage(LinkEvent(true, 6, "wlan1")), std::optional<bool>(false));
}

// The card's entry and broadcasts, heard by a listener in another process.
TEST(HostWifiSlot, TheCardEntryComesAndGoesWithItsBroadcasts)
{
    testing_support::TempHandheld handheld;
    const std::string listener = (testing_support::ProgramDir() / "simulator_device_listener").string();
    FILE* pipe = ::popen((listener + " 2 8000").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char line[512];
    ASSERT_NE(std::fgets(line, sizeof(line), pipe), nullptr);
    ASSERT_STREQ(line, "ready\n");

    auto cardEntries = []
    {
        int n = 0;
        for (const auto& e : sim::sdslot::ActiveEntries())
            n += e.name == sim::sdslot::kCardPort && e.key == sim::sdslot::kCardClientKey;
        return n;
    };
    ASSERT_EQ(cardEntries(), 1) << "the factory handheld has the card";
    EXPECT_EQ(sim::sdslot::SetCardEntry(true), sim::sdslot::Change::Unchanged);
    EXPECT_EQ(sim::sdslot::SetCardEntry(false), sim::sdslot::Change::Done);
    EXPECT_EQ(cardEntries(), 0);
    EXPECT_EQ(sim::sdslot::SetCardEntry(false), sim::sdslot::Change::Unchanged) << "no second broadcast";
    EXPECT_EQ(sim::sdslot::SetCardEntry(true), sim::sdslot::Change::Done);
    EXPECT_EQ(cardEntries(), 1);
    EXPECT_TRUE(sim::sdslot::CardInserted()) << "the simulated card is left as it was";

    std::vector<std::string> heard;
    while (std::fgets(line, sizeof(line), pipe))
        heard.push_back(line);
    EXPECT_EQ(::pclose(pipe), 0);
    ASSERT_EQ(heard.size(), 2u);
    const std::string record = sim::HexBytes(sim::sdslot::PortRecord(sim::sdslot::kCardPort));
    EXPECT_EQ(heard[0], "message 0219 8004 " + record + "\n");
    EXPECT_EQ(heard[1], "message 0219 8000 " + record + "\n");
}

// Reads one presence ('0' or '1') from the pipe within two seconds.
int NextPresence(int fd)
{
    pollfd p{fd, POLLIN, 0};
    char c = 0;
    if (::poll(&p, 1, 2000) != 1 || ::read(fd, &c, 1) != 1)
        return -1;
    return c - '0';
}

// In a child with a network namespace of its own (and a user namespace, so no root is needed), a veth
// link named like the card comes and goes; the watcher tells each change, from rtnetlink's events.
TEST(HostWifiSlot, TheWatcherFollowsALinkThatComesAndGoesInANamespace)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        ::close(fds[0]);
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0)
            ::_exit(77);
        const int out = fds[1];
        std::mutex lock;
        std::condition_variable changed;
        int changes = 0;
        auto watcher = hostwifi::SlotWatcher::Start("qn40card0",
                                                    [&](bool present)
                                                    {
                                                        const char c = present ? '1' : '0';
                                                        if (::write(out, &c, 1) != 1)
                                                            ::_exit(3);
                                                        std::lock_guard guard(lock);
                                                        ++changes;
                                                        changed.notify_all();
                                                    });
        if (!watcher)
            ::_exit(4);
        // Each step waits until the watcher has told the change before the next.
        auto told = [&](int count)
        {
            std::unique_lock guard(lock);
            return changed.wait_for(guard, std::chrono::seconds(2), [&] { return changes >= count; });
        };
        nl_sock* sock = nl_socket_alloc();
        if (nl_connect(sock, NETLINK_ROUTE) < 0 ||
            rtnl_link_veth_add(sock, "qn40card0", "qn40peer0", ::getpid()) < 0)
            ::_exit(78);
        const bool arrived = told(2);
        rtnl_link* link = rtnl_link_alloc();
        rtnl_link_set_name(link, "qn40card0");
        const int deleted = rtnl_link_delete(sock, link);
        rtnl_link_put(link);
        const bool left = told(3);
        watcher.reset();
        nl_socket_free(sock);
        if (!arrived || !left)
            ::_exit(6);
        ::_exit(deleted < 0 ? 5 : 0);
    }
    ::close(fds[1]);
    const int initial = NextPresence(fds[0]);
    const int arrived = NextPresence(fds[0]);
    const int left = NextPresence(fds[0]);
    ::close(fds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "user and network namespaces are not available here";
    if (WEXITSTATUS(status) == 78)
        GTEST_SKIP() << "veth links cannot be made here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(initial, 0) << "no such link at the start";
    EXPECT_EQ(arrived, 1) << "the link appeared";
    EXPECT_EQ(left, 0) << "the link went";
}

} // namespace
