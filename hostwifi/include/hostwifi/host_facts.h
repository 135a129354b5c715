// What the host reports about its network interface, as read from nl80211 and rtnetlink messages. Every
// field the host may leave out is optional: a value the host did not give stays unknown, never 0.
#pragma once

#include <linux/netlink.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace hostwifi
{

using Mac = std::array<uint8_t, 6>;

// rtnetlink: the interface as a network link.
struct LinkCounters
{
    uint64_t rxPackets = 0, txPackets = 0, rxBytes = 0, txBytes = 0, rxErrors = 0, txErrors = 0;
};

struct LinkInfo
{
    uint32_t ifindex = 0;
    std::string name;
    uint32_t flags = 0;               // IFF_*
    std::optional<uint8_t> operState; // IF_OPER_*
    std::optional<uint32_t> mtu;
    std::optional<Mac> address;
    std::optional<Mac> permanentAddress;
    std::optional<LinkCounters> counters;

    // The link carries traffic: operationally up, or up and running where the driver reports no state.
    bool Connected() const;
};

struct LinkMessage
{
    bool removed = false; // RTM_DELLINK
    LinkInfo link;
};

struct Ipv4Address
{
    uint32_t ifindex = 0;
    std::array<uint8_t, 4> address{};
    uint8_t prefixLength = 0;
    bool dynamic = false; // a lease (finite lifetime), not an address set by hand
};

struct DefaultRoute
{
    uint32_t ifindex = 0;
    std::array<uint8_t, 4> gateway{};
};

// nl80211: the interface as a wireless device.
struct WirelessInterface
{
    uint32_t ifindex = 0;
    std::string name;
    std::optional<uint32_t> wiphy;
    std::optional<uint32_t> type; // NL80211_IFTYPE_*
    std::optional<Mac> address;
    std::optional<std::string> ssid; // while associated, or the SSID an access point or cell runs
    std::optional<uint32_t> frequencyMhz;
};

// One entry of the scan results.
struct Bss
{
    Mac bssid{};
    std::optional<uint32_t> frequencyMhz;
    std::optional<uint16_t> beaconInterval; // time units of 1024 us
    std::optional<uint16_t> capability;
    std::optional<int32_t> signalMbm; // 1/100 dBm
    std::optional<uint32_t> status;   // NL80211_BSS_STATUS_*, only for the BSS the interface is in
    std::vector<uint8_t> informationElements;

    std::optional<std::string> Ssid() const;
    // The Supported Rates element: up to eight rates in units of 500 kbit/s, 0x80 marking basic rates.
    std::vector<uint8_t> SupportedRates() const;
};

// The station the interface talks to (the access point it is associated with).
struct Station
{
    Mac address{};
    std::optional<int8_t> signalDbm;
    std::optional<uint32_t> txBitrate100k; // units of 100 kbit/s
    std::optional<uint64_t> rxBytes, txBytes;
    std::optional<uint32_t> rxPackets, txPackets, txRetries, txFailed;
};

struct WiphyThresholds
{
    // Bytes; std::nullopt when the host did not say, kThresholdOff when the mechanism is off.
    std::optional<uint32_t> fragmentation, rts;
    static constexpr uint32_t kThresholdOff = 0xFFFFFFFF;
};

// Parsers of single messages. Each checks the message's header and every attribute's length; a message
// of another kind, or one cut short, gives std::nullopt.
std::optional<LinkMessage> ParseLinkMessage(const nlmsghdr* message);
std::optional<Ipv4Address> ParseAddressMessage(const nlmsghdr* message);
std::optional<DefaultRoute> ParseRouteMessage(const nlmsghdr* message);
std::optional<WirelessInterface> ParseInterfaceMessage(const nlmsghdr* message);
std::optional<Bss> ParseScanMessage(const nlmsghdr* message);
std::optional<Station> ParseStationMessage(const nlmsghdr* message);
std::optional<bool> ParsePowerSaveMessage(const nlmsghdr* message);
// Wiphy descriptions come in several messages; each adds what it carries.
void ParseWiphyMessage(const nlmsghdr* message, WiphyThresholds& thresholds);

// The elements of a frame body: id, length, data. Stops at the first element that runs past the end.
std::optional<std::span<const uint8_t>> FindElement(std::span<const uint8_t> elements, uint8_t id);

// The channel number of a centre frequency (2.4, 5 and 6 GHz bands), 0 for none.
uint32_t ChannelOfFrequency(uint32_t mhz);

} // namespace hostwifi
