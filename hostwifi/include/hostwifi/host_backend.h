// What the host's miniport asks of the host: one interface, read afresh at every call. NetlinkBackend
// answers from the kernel (nl80211, rtnetlink, /dev/rfkill); tests answer from messages of their own.
#pragma once

#include <hostwifi/host_facts.h>

#include <optional>
#include <string>
#include <vector>

namespace hostwifi
{

enum class HostStatus
{
    Ok,
    Gone,         // the interface does not exist (any more)
    NotWireless,  // the interface is there but is no wireless device
    NotSupported, // the host's driver has no such thing (no radio switch, no power saving, ...)
    Permission,   // the process may not do this
    Busy,         // the host is doing it already (a scan under way)
    Failed        // any other refusal or error of the host
};

template <class T> struct Outcome
{
    HostStatus status = HostStatus::Ok;
    std::optional<T> value; // set exactly when status is Ok

    static Outcome Of(T v) { return {HostStatus::Ok, std::move(v)}; }
    static Outcome Error(HostStatus s) { return {s, std::nullopt}; }
    bool ok() const { return status == HostStatus::Ok; }
};

// The radio's switch: soft (software) and hard (a switch on the machine) blocks.
struct RadioState
{
    bool soft = false;
    bool hard = false;
    bool On() const { return !soft && !hard; }
};

// How a set is carried out, for the line that tells the user what permission is missing.
enum class Mechanism
{
    Nl80211,
    Rfkill
};

class HostBackend
{
public:
    virtual ~HostBackend() = default;

    // The name of the interface that stands for the card (the chosen one, or the first wireless one).
    virtual std::string InterfaceName() = 0;
    virtual Outcome<LinkInfo> Link() = 0;
    virtual Outcome<WirelessInterface> Wireless() = 0;
    virtual Outcome<std::vector<Bss>> ScanResults() = 0;
    virtual Outcome<Station> StationInfo(const Mac& peer) = 0;
    virtual Outcome<bool> PowerSave() = 0;
    virtual Outcome<WiphyThresholds> Thresholds() = 0;
    virtual Outcome<RadioState> Radio() = 0;

    virtual HostStatus SetPowerSave(bool enabled) = 0;
    virtual HostStatus SetRadio(bool on) = 0;
    virtual HostStatus TriggerScan() = 0;
    virtual HostStatus Disconnect() = 0;
    // Bytes, or WiphyThresholds::kThresholdOff.
    virtual HostStatus SetThresholds(std::optional<uint32_t> fragmentation, std::optional<uint32_t> rts) = 0;
};

} // namespace hostwifi
