// NDIS's view of the handheld's network adapters: the always-present ones listed under
// HKLM\Simulator\Adapters\<name> (Kind = wired or wireless; the factory lists the wired USBLAN1), in the
// order they were added, followed by the card's WLAN11b1 while the card is in the slot. Every adapter is
// bound to the protocol driver; a binding is named after its adapter.
#pragma once

#include <card/request.h>
#include <card/wlan_miniport.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim::ndis
{

enum class AdapterKind
{
    Card,
    Wired,
    Wireless
};

struct Adapter
{
    std::u16string name;
    AdapterKind kind = AdapterKind::Wired;
};

std::vector<Adapter> Adapters();
// Names compare without regard to letter case.
std::optional<Adapter> FindAdapter(std::u16string_view name);

// Hands a request to the adapter's miniport. An adapter that has gone away (or the "Removed" fault on the
// card) answers NDIS_STATUS_ADAPTER_REMOVED; the Status and Answer faults take the miniport's place.
RequestResult Request(std::u16string_view adapter, const OidRequest& request);

// Unbinds and binds the protocols of the adapter again: its miniport restarts and re-reads its registry
// parameters. False when there is no such adapter.
bool Rebind(std::u16string_view adapter);

// Always-present adapters, for cardctl. The name is 1 to 32 letters and digits and not the card's.
std::optional<std::string> AddAdapter(std::u16string_view name, AdapterKind kind);
bool RemoveAdapter(std::u16string_view name);

// The miniport identity of a wireless always-present adapter.
MiniportIdentity ExtraIdentity(std::u16string_view name);

} // namespace sim::ndis
