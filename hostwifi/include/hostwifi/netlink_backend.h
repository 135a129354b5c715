// The host backend over the kernel: rtnetlink for the link, its addresses and routes; nl80211 (generic
// netlink, through libnl) for the wireless device; rfkill for the radio switch. One object serves one
// request: it opens its sockets on first use and asks the kernel afresh at every call.
#pragma once

#include <hostwifi/host_backend.h>
#include <hostwifi/host_choice.h>
#include <hostwifi/radio_switch.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct nl_sock;
struct nl_msg;

namespace hostwifi
{

class NetlinkBackend : public HostBackend
{
public:
    // `choice`: an interface name, or "auto" for the first wireless interface.
    explicit NetlinkBackend(std::string choice, RfkillPaths paths = {});
    ~NetlinkBackend() override;
    NetlinkBackend(const NetlinkBackend&) = delete;
    NetlinkBackend& operator=(const NetlinkBackend&) = delete;

    std::string InterfaceName() override;
    Outcome<LinkInfo> Link() override;
    Outcome<WirelessInterface> Wireless() override;
    Outcome<std::vector<Bss>> ScanResults() override;
    Outcome<Station> StationInfo(const Mac& peer) override;
    Outcome<bool> PowerSave() override;
    Outcome<WiphyThresholds> Thresholds() override;
    Outcome<RadioState> Radio() override;

    HostStatus SetPowerSave(bool enabled) override;
    HostStatus SetRadio(bool on) override;
    HostStatus TriggerScan() override;
    HostStatus Disconnect() override;
    HostStatus SetThresholds(std::optional<uint32_t> fragmentation, std::optional<uint32_t> rts) override;

    // The host's wireless interfaces (nl80211), in interface index order; NotWireless when the host has
    // no wireless subsystem at all.
    Outcome<std::vector<WirelessInterface>> WirelessInterfaces();
    // The chosen interface exists (for "auto": some wireless interface exists).
    bool Present();
    // The interface's IPv4 addresses and its default routes.
    Outcome<std::vector<Ipv4Address>> Addresses();
    Outcome<std::vector<DefaultRoute>> DefaultRoutes();

private:
    struct Sockets;
    Outcome<uint32_t> Ifindex();
    Outcome<nl_sock*> Genl();
    Outcome<nl_sock*> Route();
    // Sends an nl80211 command for the interface (NL80211_ATTR_IFINDEX set, `fill` adds the rest) and
    // hands every answer to `each`.
    HostStatus Nl80211(uint8_t command, bool dump, const std::function<bool(nl_msg*)>& fill,
                       const std::function<void(const nlmsghdr*)>& each);

    std::string m_choice;
    RfkillPaths m_paths;
    std::unique_ptr<Sockets> m_sockets;
    std::optional<uint32_t> m_ifindex;
    std::string m_name;
};

} // namespace hostwifi
