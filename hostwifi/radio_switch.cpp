#include <hostwifi/radio_switch.h>

#include "netlink_exchange.h"
#include <kernel/unique_fd.h>

#include <simcore/text.h>

#include <linux/rfkill.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace hostwifi
{

std::optional<RadioSwitch> RadioSwitch::OfInterface(const std::string& interface, const RfkillPaths& paths)
{
    std::error_code error;
    const auto phy = paths.sysfs / "class" / "net" / interface / "phy80211";
    for (const auto& entry : std::filesystem::directory_iterator(phy, error))
    {
        const std::string name = entry.path().filename().string();
        if (name.rfind("rfkill", 0) != 0)
            continue;
        const auto index = sim::ParseNumber(name.substr(6));
        if (index && *index >= 0 && *index <= 0xFFFFFFFF)
            return RadioSwitch(static_cast<uint32_t>(*index), paths.device);
    }
    return std::nullopt;
}

Outcome<RadioState> RadioSwitch::State() const
{
    ce::UniqueFd fd(::open(m_device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0)
        return Outcome<RadioState>::Error(FromErrno(errno));
    // The device hands a new reader one event per switch, then would block.
    std::optional<RadioState> state;
    for (;;)
    {
        rfkill_event event{};
        const ssize_t n = ::read(fd.get(), &event, sizeof(event));
        if (n < static_cast<ssize_t>(RFKILL_EVENT_SIZE_V1))
            break;
        if (event.idx != m_index)
            continue;
        if (event.op == RFKILL_OP_DEL)
            state.reset();
        else if (event.op == RFKILL_OP_ADD || event.op == RFKILL_OP_CHANGE)
            state = RadioState{event.soft != 0, event.hard != 0};
    }
    if (!state)
        return Outcome<RadioState>::Error(HostStatus::NotSupported);
    return Outcome<RadioState>::Of(*state);
}

HostStatus RadioSwitch::Set(bool on) const
{
    ce::UniqueFd fd(::open(m_device.c_str(), O_WRONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return FromErrno(errno);
    rfkill_event event{};
    event.idx = m_index;
    event.type = RFKILL_TYPE_WLAN;
    event.op = RFKILL_OP_CHANGE;
    event.soft = on ? 0 : 1;
    const ssize_t n = ::write(fd.get(), &event, sizeof(event));
    if (n != static_cast<ssize_t>(sizeof(event)))
        return n < 0 ? FromErrno(errno) : HostStatus::Failed;
    return HostStatus::Ok;
}

} // namespace hostwifi
