// Faults injected into the simulated world (cardctl fault ...), kept as values under HKLM\Simulator\Faults
// so that every process sees them at its next request. Value names:
//   Version                 interface version the protocol driver reports (hex)
//   Init                    NDIS status the driver's initialisation answers (hex)
//   Bind                    Windows error with which binding a handle to an adapter fails (decimal)
//   Removed                 "1": every request to the card ends with NDIS_STATUS_ADAPTER_REMOVED
//   Ioctl.<code>            Windows error with which that control code fails (decimal)
//   Submit.<oid>|Submit.ANY submission status written into the request record (hex)
//   Pending.<oid>|.ANY      milliseconds until a request completes, or "forever"
//   Status.<oid>[.QUERY|.SET] NDIS status the request completes with (hex)
//   Answer.<oid>            bytes a query answers with (hex pairs)
//   Overreport.<oid>        bytes done a successful query of the card reports, more than it wrote (decimal)
//   BbRead.<i> BbWrite.<i> MacRead.<a> MacWrite.<a> EepromRead.<w> EepromWrite.<w>
//                           NDIS status with which that register or EEPROM access fails (hex)
// Codes, OIDs, indexes and addresses in names are 8 hexadecimal digits.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sim
{

inline constexpr uint32_t kPendingForever = 0xFFFFFFFF;

enum class RegisterArea
{
    Baseband,
    Mac,
    Eeprom
};

class Faults
{
public:
    static Faults Load();

    std::optional<uint32_t> Version() const;
    std::optional<uint32_t> InitStatus() const;
    std::optional<uint32_t> BindError() const;
    std::optional<uint32_t> IoctlError(uint32_t code) const;
    bool AdapterRemoved() const;
    std::optional<uint32_t> SubmitStatus(uint32_t oid) const;
    // kPendingForever for a request that never completes by itself.
    std::optional<uint32_t> PendingMs(uint32_t oid) const;
    std::optional<uint32_t> Status(uint32_t oid, bool set) const;
    std::optional<std::vector<uint8_t>> Answer(uint32_t oid) const;
    std::optional<uint32_t> Overreport(uint32_t oid) const;
    std::optional<uint32_t> AccessFault(RegisterArea area, bool write, uint32_t index) const;

    bool empty() const { return m_values.empty(); }
    const std::map<std::string, std::string>& values() const { return m_values; }

private:
    std::optional<std::string> Find(const std::string& name) const;
    std::map<std::string, std::string> m_values; // upper-case name -> text
};

// Editing, for cardctl and tests. Names as above (any case).
long SetFault(const std::string& name, const std::string& value);
void ClearFault(const std::string& name);
void ClearFaults();

std::string FaultName(const std::string& prefix, uint32_t number);
std::string RegisterFaultName(RegisterArea area, bool write, uint32_t index);

} // namespace sim
