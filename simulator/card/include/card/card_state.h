// What the wireless miniport remembers while it runs: the settings it was started with (from its
// registry parameters) and those set since, the association it is in and its traffic counters. Stored as
// one binary value so that every process reads one consistent card.
#pragma once

#include <card/air.h>

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sim
{

struct CardState
{
    bool radioOn = true;
    uint32_t infrastructure = 1; // NDIS_802_11_NETWORK_INFRASTRUCTURE
    uint32_t deviceMode = 1;     // QN40_DEVICE_MODE_*
    std::string desiredSsid;     // empty: any network
    std::array<uint8_t, 6> desiredBssid{};
    bool bssidLocked = false;
    uint32_t ibssChannel = 10;
    uint32_t beaconPeriod = 100;
    uint32_t atimWindow = 0;
    uint32_t powerMode = 0; // NDIS_802_11_POWER_MODE
    uint32_t fragThreshold = 2346;
    uint32_t rtsThreshold = 2347;
    uint32_t rxAntenna = 0xFFFFFFFF;
    std::array<uint8_t, 8> desiredRates{2, 4, 11, 22, 0, 0, 0, 0};
    uint32_t authMode = 0;
    bool wepEnabled = false;
    bool keySet = false;
    std::array<uint8_t, 17> key{};
    uint32_t preamble = 2;
    uint32_t environment = 0;
    uint32_t txPower = 100;
    uint32_t traceMask = 0;
    uint32_t packetFilter = 0;
    std::array<uint32_t, 2> featureFlags{};
    uint32_t domain = 48;
    std::array<uint8_t, 6> mac{};
    bool disassociated = false;
    int64_t scanStart = 0;
    uint64_t txBytesBase = 0;
    uint64_t rxBytesBase = 0;
    int64_t countersSince = 0;
    uint32_t vendorSelected = 0;
    std::vector<uint8_t> vendorRecords = std::vector<uint8_t>(16 * 48);
    std::map<uint32_t, uint32_t> testParameters;
    uint32_t testChannel = 1;
    uint32_t testPower = 100;
    uint32_t framesSent = 0;
    uint32_t lastFrameLength = 0;
    uint32_t testRunning = 0;
    uint32_t calibrations = 0;

    std::vector<uint8_t> Serialize() const;
    static std::optional<CardState> Deserialize(const std::vector<uint8_t>& blob);
};

// The association the card is in at one instant, worked out from its state and the air.
struct LinkView
{
    enum class Phase
    {
        RadioOff,
        Idle, // told to disassociate; waits for a new network
        Scanning,
        Joined, // in the network's cell but not let in
        Connected
    };
    Phase phase = Phase::RadioOff;
    std::string ssid;
    std::array<uint8_t, 6> bssid{};
    uint32_t channel = 0;
    int rssi = -100;
    int quality = 0;
    int64_t connectedSince = 0;
    bool Associated() const { return phase == Phase::Connected || phase == Phase::Joined; }
};

LinkView ComputeLink(const CardState& state, const AirSettings& air, int64_t nowMs);

// Link speed in units of 100 bit/s for a signal, limited to the rates the card may use.
uint32_t LinkSpeedFor(const CardState& state, const LinkView& link);

struct TrafficCounters
{
    uint64_t txBytes = 0;
    uint64_t rxBytes = 0;
    uint64_t txFrames = 0;
    uint64_t rxFrames = 0;
    uint64_t txErrors = 0;
    uint64_t rxErrors = 0;
};

TrafficCounters CountersAt(const CardState& state, const AirSettings& air, int64_t nowMs);
// Takes the counters up to now into the base, so that what changes next counts from now on.
void FoldCounters(CardState& state, const AirSettings& air, int64_t nowMs);

} // namespace sim
