// The card's adapter WLAN11b1 over the chosen host interface, for the layers of the outside world that
// reach the card: NDIS hands it the card's requests, the IP helper asks for its addresses, cardctl shows
// what the host reports.
#pragma once

#include <hostwifi/host_facts.h>

#include <card/request.h>

#include <optional>
#include <string>

namespace hostwifi
{

// One request, answered from the host now (a HostMiniport over a NetlinkBackend of `choice`).
sim::RequestResult HostCardRequest(const std::string& choice, const sim::OidRequest& request);

struct HostAdapterAddress
{
    std::string name;
    Mac mac{};
    bool dhcp = false;
    std::string ip = "0.0.0.0"; // none while the interface has no IPv4 address
    std::string mask = "0.0.0.0";
    std::string gateway = "0.0.0.0";
};
// The interface's address for the IP helper; std::nullopt when it has gone.
std::optional<HostAdapterAddress> HostAdapterAddressOf(const std::string& choice);

// What the backend reads, line by line, to hold beside the host's own tools (`iw dev NAME link`).
std::string HostStatusText(const std::string& choice);

} // namespace hostwifi
