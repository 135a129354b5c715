// The SD slot and the other port devices of the handheld. A device that arrives gets an entry under
// HKLM\Drivers\Active\<nn> (values Name = its port name, Key = its driver's key) and every process hears
// WM_DEVICECHANGE DBT_DEVICEARRIVAL with a DEV_BROADCAST_PORT record naming the port; when it leaves, the
// entry is deleted first and then DBT_DEVICEREMOVECOMPLETE is broadcast. Whether the card is in is kept
// under HKLM\Simulator\Slot (Inserted).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim::sdslot
{

inline constexpr std::u16string_view kCardPort = u"NDL1:";
inline constexpr std::u16string_view kCardClientKey =
    u"\\Drivers\\SDCARD\\ClientDrivers\\Custom\\MANF-0A5D-CARDID-3B17-FUNC-1";

enum class Change
{
    Done,
    Unchanged, // the card was already in (or out); nothing happened
    Failed
};

bool CardInserted();
// Insertion starts the card's miniport afresh (it reads its parameters and scans for its network).
Change InsertCard();
Change EjectCard();
// The card's entry alone, with the broadcast when it changes, for a card whose miniport is not the
// simulated one (the host's interface standing in for it): the simulated card is left as it is.
Change SetCardEntry(bool present);

// Another port device ("COM5:"); `driverKey` is its entry's Key value.
Change Plug(std::u16string_view port, std::u16string_view driverKey);
Change Unplug(std::u16string_view port);
bool ValidPortName(std::u16string_view port);

struct ActiveEntry
{
    std::u16string subKey; // "05"
    std::u16string name;
    std::u16string key;
};
std::vector<ActiveEntry> ActiveEntries();

// The record broadcast with WM_DEVICECHANGE: DEV_BROADCAST_PORT with the name, little-endian.
std::vector<uint8_t> PortRecord(std::u16string_view port);
// Sends WM_DEVICECHANGE with that record to every listening process; returns how many it reached.
int BroadcastDeviceChange(uint32_t event, std::u16string_view port);

} // namespace sim::sdslot
