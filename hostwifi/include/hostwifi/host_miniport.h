// The miniport of the card's adapter WLAN11b1 when the card is the host's wireless interface: it answers
// the card's objects from what the host reports now, through the same request records as the simulated
// card, so the protocol driver and NDIS above it do not change.
//
// Answers follow the card where the host has the same fact (the connection, the station's signal and
// rate, counters, power saving, the radio switch, thresholds, the scan results) and are honest where it
// has not:
// - an object with no host equivalent (registers, EEPROM, test objects, the card's vendor records and
//   settings that only the host's connection manager decides) completes with NDIS_STATUS_NOT_SUPPORTED,
//   and so does a value this host's driver does not report;
// - an object that needs an association completes with NDIS_STATUS_ADAPTER_NOT_READY while there is none
//   (the SSID is then empty and the link quality 0, as on the card);
// - a set the host refuses completes with NDIS_STATUS_FAILURE, and one line on the report (standard error)
//   says what was refused and, for a missing permission, which one;
// - an interface that has gone answers NDIS_STATUS_ADAPTER_REMOVED.
// Counters of the 802.11 statistics record that the host does not keep hold kUncounted.
#pragma once

#include <hostwifi/host_backend.h>

#include <card/request.h>

#include <functional>
#include <string>

namespace hostwifi
{

inline constexpr uint64_t kUncounted = ~0ull;

using Report = std::function<void(const std::string& line)>;
// Writes the line to standard error.
void ReportToStderr(const std::string& line);

class HostMiniport
{
public:
    explicit HostMiniport(HostBackend& host, Report report = ReportToStderr);

    sim::RequestResult Request(const sim::OidRequest& request);

    // The objects answered by this miniport (OID_GEN_SUPPORTED_LIST), in ascending order.
    static std::vector<uint32_t> SupportedOids();

private:
    HostBackend& m_host;
    Report m_report;
};

} // namespace hostwifi
