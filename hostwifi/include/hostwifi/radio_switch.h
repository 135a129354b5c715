// The radio switch of a wireless device through rfkill: its index is found under the device's phy in
// sysfs (<phy>/rfkillN), its state read from the events /dev/rfkill hands every reader, and a change is one
// event written to /dev/rfkill. Both paths can be replaced, for tests.
#pragma once

#include <hostwifi/host_backend.h>

#include <filesystem>
#include <optional>

namespace hostwifi
{

struct RfkillPaths
{
    std::filesystem::path sysfs = "/sys";
    std::filesystem::path device = "/dev/rfkill";
};

class RadioSwitch
{
public:
    // The switch of the interface's phy (<sysfs>/class/net/<interface>/phy80211/rfkillN), if it has one.
    static std::optional<RadioSwitch> OfInterface(const std::string& interface,
                                                  const RfkillPaths& paths = {});
    RadioSwitch(uint32_t index, std::filesystem::path device) : m_index(index), m_device(std::move(device)) {}

    uint32_t index() const { return m_index; }
    // NotSupported when the device does not list the switch, Permission when it may not be read.
    Outcome<RadioState> State() const;
    // Sets or clears the soft block; Permission when the device may not be written.
    HostStatus Set(bool on) const;

private:
    uint32_t m_index;
    std::filesystem::path m_device;
};

} // namespace hostwifi
