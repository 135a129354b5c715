// The simulated air around the handheld: one network the card can join, two weaker neighbours that only
// show in scans, and how signal and traffic behave. Kept as text values under HKLM\Simulator\Air:
//   Link      up | down | joined   (joined: the network lets the card join but not in)
//   Ssid      network name (at most 32 bytes)
//   Bssid     00-13-46-7A-2B-01
//   Channel   1..14
//   Rssi      auto, or fixed dBm (-100..-10)
//   Quality   auto, or fixed percent (0..100)
//   Traffic   received bytes per second while connected (a third of it is sent)
//   Latency   milliseconds each request stays pending (0: requests complete at once)
//   Seed      seed of the signal's random walk
//   Ip        the card's address while connected
//   ScanTime  milliseconds a scan takes before the card is connected
// "auto" signal moves smoothly with the simulated clock, the same way for the same seed.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim
{

enum class AirLink
{
    Up,
    Down,
    Joined
};

struct AirNetwork
{
    std::string ssid; // 8-bit bytes
    std::array<uint8_t, 6> bssid{};
    uint32_t channel = 0;
    int rssi = 0; // dBm now
};

struct AirSettings
{
    AirLink link = AirLink::Up;
    std::string ssid = "HarborNet";
    std::array<uint8_t, 6> bssid{0x00, 0x13, 0x46, 0x7A, 0x2B, 0x01};
    uint32_t channel = 6;
    std::optional<int> rssi;    // fixed, or moving when empty
    std::optional<int> quality; // fixed, or following the signal when empty
    uint32_t traffic = 20000;
    uint32_t latency = 0;
    uint32_t seed = 1;
    std::string ip = "192.168.1.105";
    uint32_t scanTime = 1500;

    static AirSettings Load();
    // Only the latency, which the protocol driver asks on every request.
    static uint32_t LoadLatency();

    // Signal of the network in dBm at a simulated instant.
    int RssiAt(int64_t nowMs) const;
    // Link quality in percent for that signal.
    int QualityAt(int64_t nowMs, int rssi) const;
    // The networks a scan finds (the joinable one first when the link is not down).
    std::vector<AirNetwork> Networks(int64_t nowMs) const;
};

// Changes one air value (names as above, any case); returns an error text, or nothing on success.
std::optional<std::string> SetAirValue(const std::string& name, const std::string& value);
std::string AirLinkName(AirLink link);
std::string FormatMac(const std::array<uint8_t, 6>& mac);
std::optional<std::array<uint8_t, 6>> ParseMac(const std::string& text);

} // namespace sim
