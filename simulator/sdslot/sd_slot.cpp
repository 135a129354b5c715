#include <sdslot/sd_slot.h>

#include <card/wlan_miniport.h>
#include <simcore/bytes.h>
#include <simcore/reg_key.h>
#include <simcore/text.h>

#include <dbt.h>
#include <kernel/winstation.h>

#include <algorithm>
#include <functional>

namespace sim::sdslot
{
namespace
{

constexpr std::u16string_view kActiveKey = u"Drivers\\Active";
constexpr std::u16string_view kSlotKey = u"Simulator\\Slot";

std::u16string NextSubKey()
{
    int highest = 0;
    for (const auto& name : RegKey::Open(HKEY_LOCAL_MACHINE, kActiveKey, KEY_READ).SubKeys())
        if (auto n = ParseNumber(ToUtf8(name)); n && *n > highest && *n < 10000)
            highest = static_cast<int>(*n);
    std::string next = std::to_string(highest + 1);
    if (next.size() < 2)
        next = "0" + next;
    return FromUtf8(next);
}

std::vector<ActiveEntry> EntriesNamed(std::u16string_view port)
{
    std::vector<ActiveEntry> found;
    for (auto& e : ActiveEntries())
        if (EqualsNoCase(e.name, port))
            found.push_back(e);
    return found;
}

bool AddEntry(std::u16string_view port, std::u16string_view driverKey)
{
    RegKey entry = RegKey::Create(HKEY_LOCAL_MACHINE, std::u16string(kActiveKey) + u"\\" + NextSubKey());
    return entry.valid() && entry.SetString(u"Key", driverKey) == ERROR_SUCCESS &&
           entry.SetString(u"Name", port) == ERROR_SUCCESS;
}

void RemoveEntries(std::u16string_view port)
{
    for (const auto& e : EntriesNamed(port))
        DeleteKeyTree(HKEY_LOCAL_MACHINE, std::u16string(kActiveKey) + u"\\" + e.subKey);
}

// Runs `change` as one registry transaction; when it changed the slot (it sets `changed`), every process
// hears `event` for the port.
Change ChangeAndBroadcast(uint32_t event, std::u16string_view port,
                          const std::function<LONG(bool& changed)>& change)
{
    bool changed = false;
    if (RegistryTransaction(true, [&] { return change(changed); }) != ERROR_SUCCESS)
        return Change::Failed;
    if (!changed)
        return Change::Unchanged;
    BroadcastDeviceChange(event, port);
    return Change::Done;
}

} // namespace

bool ValidPortName(std::u16string_view port)
{
    // Three to five letters, a digit, a colon: "COM5:", "NDL1:".
    if (port.size() < 5 || port.size() > 7 || port.back() != u':')
        return false;
    const size_t letters = port.size() - 2;
    for (size_t i = 0; i < letters; ++i)
        if (!((port[i] >= u'A' && port[i] <= u'Z') || (port[i] >= u'a' && port[i] <= u'z')))
            return false;
    return port[letters] >= u'0' && port[letters] <= u'9';
}

bool CardInserted()
{
    return RegKey::Open(HKEY_LOCAL_MACHINE, kSlotKey, KEY_READ).GetNumber(u"Inserted").value_or(0) != 0;
}

std::vector<ActiveEntry> ActiveEntries()
{
    std::vector<ActiveEntry> entries;
    RegKey active = RegKey::Open(HKEY_LOCAL_MACHINE, kActiveKey, KEY_READ);
    for (const auto& sub : active.SubKeys())
    {
        RegKey key = RegKey::Open(active.get(), sub, KEY_READ);
        entries.push_back({sub, key.GetString(u"Name").value_or(u""), key.GetString(u"Key").value_or(u"")});
    }
    return entries;
}

Change InsertCard()
{
    return ChangeAndBroadcast(DBT_DEVICEARRIVAL, kCardPort,
                              [](bool& changed) -> LONG
                              {
                                  if (CardInserted())
                                      return ERROR_SUCCESS;
                                  RemoveEntries(kCardPort);
                                  if (!AddEntry(kCardPort, kCardClientKey))
                                      return ERROR_CANTWRITE;
                                  LONG r =
                                      RegKey::Create(HKEY_LOCAL_MACHINE, kSlotKey).SetDword(u"Inserted", 1);
                                  if (r != ERROR_SUCCESS)
                                      return r;
                                  WlanMiniport(CardIdentity()).Start(true, true);
                                  changed = true;
                                  return ERROR_SUCCESS;
                              });
}

Change EjectCard()
{
    return ChangeAndBroadcast(DBT_DEVICEREMOVECOMPLETE, kCardPort,
                              [](bool& changed) -> LONG
                              {
                                  if (!CardInserted())
                                      return ERROR_SUCCESS;
                                  RemoveEntries(kCardPort);
                                  LONG r =
                                      RegKey::Create(HKEY_LOCAL_MACHINE, kSlotKey).SetDword(u"Inserted", 0);
                                  if (r != ERROR_SUCCESS)
                                      return r;
                                  WlanMiniport(CardIdentity()).Halt();
                                  changed = true;
                                  return ERROR_SUCCESS;
                              });
}

Change SetCardEntry(bool present)
{
    return ChangeAndBroadcast(present ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE, kCardPort,
                              [present](bool& changed) -> LONG
                              {
                                  if (EntriesNamed(kCardPort).empty() != present)
                                      return ERROR_SUCCESS;
                                  RemoveEntries(kCardPort);
                                  if (present && !AddEntry(kCardPort, kCardClientKey))
                                      return ERROR_CANTWRITE;
                                  changed = true;
                                  return ERROR_SUCCESS;
                              });
}

Change Plug(std::u16string_view port, std::u16string_view driverKey)
{
    if (!ValidPortName(port) || EqualsNoCase(port, kCardPort))
        return Change::Failed;
    return ChangeAndBroadcast(DBT_DEVICEARRIVAL, port,
                              [&](bool& changed) -> LONG
                              {
                                  if (!EntriesNamed(port).empty())
                                      return ERROR_SUCCESS;
                                  if (!AddEntry(port, driverKey))
                                      return ERROR_CANTWRITE;
                                  changed = true;
                                  return ERROR_SUCCESS;
                              });
}

Change Unplug(std::u16string_view port)
{
    if (!ValidPortName(port) || EqualsNoCase(port, kCardPort))
        return Change::Failed;
    return ChangeAndBroadcast(DBT_DEVICEREMOVECOMPLETE, port,
                              [&](bool& changed) -> LONG
                              {
                                  if (EntriesNamed(port).empty())
                                      return ERROR_SUCCESS;
                                  RemoveEntries(port);
                                  changed = true;
                                  return ERROR_SUCCESS;
                              });
}

std::vector<uint8_t> PortRecord(std::u16string_view port)
{
    const uint32_t size =
        static_cast<uint32_t>(offsetof(DEV_BROADCAST_PORT, dbcp_name) + (port.size() + 1) * 2);
    std::vector<uint8_t> record(size);
    PutU32(&record[0], size);
    PutU32(&record[4], DBT_DEVTYP_PORT);
    PutU32(&record[8], 0);
    for (size_t i = 0; i < port.size(); ++i)
        PutU16(&record[12 + 2 * i], port[i]);
    return record;
}

int BroadcastDeviceChange(uint32_t event, std::u16string_view port)
{
    ce::winstation::Message message;
    message.hwnd = ce::winstation::kBroadcastHwnd;
    message.message = WM_DEVICECHANGE;
    message.wParam = event;
    message.payload = PortRecord(port);
    return ce::winstation::Broadcast(message);
}

} // namespace sim::sdslot
