// Sets the host refuses: NDIS_STATUS_FAILURE and one line that names what is missing; the radio switch
// over /dev/rfkill, down to the permission the kernel checks.
#include "hostwifi_test.h"

#include <hostwifi/netlink_backend.h>
#include <hostwifi/radio_switch.h>

#include <ntddndis.h>

#include <linux/rfkill.h>

#include <filesystem>
#include <fstream>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace hwtest;
namespace fs = std::filesystem;

namespace
{

struct RefusedSet
{
    uint32_t oid;
    uint32_t value;
    bool data;
    std::string permission; // what the line must name
};

TEST(HostWifiPermission, ARefusedSetFailsWithOneLineNamingTheMissingPermission)
{
    const RefusedSet cases[] = {
        {OID_QN40_POWER_MODE, Ndis802_11PowerModeMAX_PSP, true, "CAP_NET_ADMIN"},
        {OID_QN40_RADIO, 0, true, "/dev/rfkill is not writable"},
        {OID_QN40_RTS_THRESHOLD, 500, true, "CAP_NET_ADMIN"},
        {OID_QN40_BSSID_LIST_SCAN, 0, false, "CAP_NET_ADMIN"},
        {OID_QN40_DISASSOCIATE, 0, false, "CAP_NET_ADMIN"},
    };
    for (const RefusedSet& c : cases)
    {
        FakeHost host;
        Associate(host);
        host.setStatus = HostStatus::Permission;
        std::vector<std::string> lines;
        const Answer a =
            c.data ? SetU32(host, c.oid, c.value, &lines) : Request(host, true, c.oid, {}, &lines);
        EXPECT_EQ(a.status, NDIS_STATUS_FAILURE) << std::hex << c.oid;
        ASSERT_EQ(lines.size(), 1u) << std::hex << c.oid;
        EXPECT_EQ(lines[0].rfind("hostwifi: ", 0), 0u) << lines[0];
        EXPECT_NE(lines[0].find("wlan0"), std::string::npos) << lines[0];
        EXPECT_NE(lines[0].find(c.permission), std::string::npos) << lines[0];
        EXPECT_EQ(lines[0].find('\n'), std::string::npos) << "one line";
    }
}

TEST(HostWifiPermission, OtherRefusalsAndWhatIsNoRefusal)
{
    FakeHost host;
    Associate(host);
    std::vector<std::string> lines;

    host.setStatus = HostStatus::NotSupported; // a driver without power saving
    EXPECT_EQ(SetU32(host, OID_QN40_POWER_MODE, 1, &lines).status, NDIS_STATUS_NOT_SUPPORTED);
    EXPECT_TRUE(lines.empty()) << "nothing refused: the host has no such thing";

    host.setStatus = HostStatus::Busy; // a scan under way already
    EXPECT_EQ(Request(host, true, OID_QN40_BSSID_LIST_SCAN, {}, &lines).status, NDIS_STATUS_SUCCESS);
    EXPECT_TRUE(lines.empty());

    host.setStatus = HostStatus::Failed;
    EXPECT_EQ(SetU32(host, OID_QN40_POWER_MODE, 0, &lines).status, NDIS_STATUS_FAILURE);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("turning power saving off"), std::string::npos) << lines[0];

    lines.clear();
    host.setStatus = HostStatus::Ok;
    host.radio.value->hard = true;
    const size_t setsBefore = host.sets.size();
    EXPECT_EQ(SetU32(host, OID_QN40_RADIO, 1, &lines).status, NDIS_STATUS_FAILURE);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("radio switch is off"), std::string::npos) << lines[0];
    EXPECT_EQ(host.sets.size(), setsBefore) << "a hard-blocked radio is not asked to switch on";

    // A switch this user may not read: the query fails, and the radio is not taken for off.
    host.radio = Outcome<hostwifi::RadioState>::Error(HostStatus::Permission);
    EXPECT_EQ(Query(host, OID_QN40_RADIO).status, NDIS_STATUS_FAILURE);
    EXPECT_EQ(Query(host, OID_QN40_DEVICE_STATE).U32(), static_cast<uint32_t>(QN40_DEVICE_STATE_CONNECTED));
}

// A folder with a stand-in sysfs (class/net/<name>/phy80211/rfkillN) and /dev/rfkill (a file of events).
class RadioFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string templ = (fs::temp_directory_path() / "qn40-rfkill-XXXXXX").string();
        ASSERT_TRUE(::mkdtemp(templ.data()));
        m_root = templ;
        fs::create_directories(m_root / "sys/class/net/wlan9/phy80211/rfkill7");
        m_paths = {m_root / "sys", m_root / "rfkill"};
    }
    void TearDown() override { fs::remove_all(m_root); }
    void WriteEvents(const std::vector<rfkill_event>& events)
    {
        std::ofstream out(m_paths.device, std::ios::binary | std::ios::trunc);
        for (const rfkill_event& e : events)
            out.write(reinterpret_cast<const char*>(&e), sizeof(e));
    }

    fs::path m_root;
    hostwifi::RfkillPaths m_paths;
};

TEST_F(RadioFiles, TheSwitchOfThePhyIsReadFromItsEventsAndSetByOne)
{
    EXPECT_FALSE(hostwifi::RadioSwitch::OfInterface("wlan8", m_paths)) << "no such interface";
    const auto radio = hostwifi::RadioSwitch::OfInterface("wlan9", m_paths);
    ASSERT_TRUE(radio);
    EXPECT_EQ(radio->index(), 7u);

    EXPECT_EQ(radio->State().status, HostStatus::NotSupported) << "no device file";
    WriteEvents({{2, RFKILL_TYPE_BLUETOOTH, RFKILL_OP_ADD, 1, 1},
                 {7, RFKILL_TYPE_WLAN, RFKILL_OP_ADD, 0, 0},
                 {7, RFKILL_TYPE_WLAN, RFKILL_OP_CHANGE, 1, 0}});
    auto state = radio->State();
    ASSERT_TRUE(state.ok());
    EXPECT_TRUE(state.value->soft) << "the last event of the switch counts, not another switch's";
    EXPECT_FALSE(state.value->hard);

    WriteEvents({{7, RFKILL_TYPE_WLAN, RFKILL_OP_ADD, 0, 0}, {7, RFKILL_TYPE_WLAN, RFKILL_OP_DEL, 0, 0}});
    EXPECT_EQ(radio->State().status, HostStatus::NotSupported) << "the switch went away";

    WriteEvents({});
    ASSERT_EQ(radio->Set(false), HostStatus::Ok);
    std::ifstream in(m_paths.device, std::ios::binary);
    rfkill_event written{};
    in.read(reinterpret_cast<char*>(&written), sizeof(written));
    EXPECT_EQ(in.gcount(), static_cast<std::streamsize>(RFKILL_EVENT_SIZE_V1));
    EXPECT_EQ(written.idx, 7u);
    EXPECT_EQ(written.op, RFKILL_OP_CHANGE);
    EXPECT_EQ(written.soft, 1);
}

// The kernel's own check: a device file this process may not write. Root may write any file, so the
// check runs in a child that has left for a user namespace of its own, where it holds no right over the
// real root's files.
TEST_F(RadioFiles, AnUnwritableDeviceIsAPermissionRefusal)
{
    WriteEvents({{7, RFKILL_TYPE_WLAN, RFKILL_OP_ADD, 0, 0}});
    ASSERT_EQ(::chmod(m_paths.device.c_str(), 0444), 0);
    const auto radio = hostwifi::RadioSwitch::OfInterface("wlan9", m_paths);
    ASSERT_TRUE(radio);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        if (::geteuid() == 0 && ::unshare(CLONE_NEWUSER) != 0)
            ::_exit(77);
        const bool readable = radio->State().ok();
        ::_exit(radio->Set(false) == HostStatus::Permission && readable ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "user namespaces are not available, and root may write any file";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write must be refused as a missing permission";
}

// nl80211 checks CAP_NET_ADMIN before it looks at the device: a process without it is refused.
TEST(HostWifiPermission, Nl80211RefusesASetWithoutNetAdmin)
{
    hostwifi::NetlinkBackend probe("auto");
    const auto interfaces = probe.WirelessInterfaces();
    if (!interfaces.ok() || interfaces.value->empty())
        GTEST_SKIP() << "this machine has no wireless interface (nl80211 "
                     << (interfaces.ok() ? "lists none" : "is not there")
                     << "), so the kernel's CAP_NET_ADMIN check was not exercised";
    const std::string name = interfaces.value->front().name;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        if (::unshare(CLONE_NEWUSER) != 0)
            ::_exit(77);
        hostwifi::NetlinkBackend host(name);
        ::_exit(host.SetPowerSave(false) == HostStatus::Permission ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "user namespaces are not available";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
