// GetAdaptersInfo over NDIS's adapters: each binding becomes an entry named like it, with the adapter's
// current address and its IP address (the card's only while it is connected; 0.0.0.0 otherwise). When the
// host's interface stands for the card, the card's entry has that interface's address, mask and gateway.
#include <windows.h>

#include <iphlpapi.h>

#include <card/wired_miniport.h>
#include <card/wlan_miniport.h>
#include <hostwifi/host_card.h>
#include <hostwifi/host_choice.h>
#include <ndis/adapters.h>
#include <simcore/clock.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace
{

struct Entry
{
    std::string name;
    std::string description;
    std::array<uint8_t, 6> mac{};
    UINT dhcp = 0;
    std::string ip = "0.0.0.0";
    std::string mask = "0.0.0.0";
    std::string gateway = "0.0.0.0";
    std::optional<std::string> dhcpServer; // unset: the gateway serves the leases
};

void CopyText(char* to, size_t size, const std::string& text)
{
    std::memset(to, 0, size);
    std::memcpy(to, text.data(), std::min(text.size(), size - 1));
}

std::string Narrow(const std::u16string& text)
{
    std::string out;
    for (char16_t c : text)
        out += static_cast<char>(c <= 0x7F ? c : '?');
    return out;
}

std::vector<Entry> Entries()
{
    std::vector<Entry> entries;
    for (const auto& adapter : sim::ndis::Adapters())
    {
        Entry e;
        e.name = Narrow(adapter.name);
        if (adapter.kind == sim::ndis::AdapterKind::Wired)
        {
            e.description = "USB network link";
            e.mac = sim::WiredMiniport(adapter.name).mac();
            e.ip = "169.254.2.1";
            e.mask = "255.255.0.0";
        }
        else if (const auto host = hostwifi::ChosenInterface();
                 host && adapter.kind == sim::ndis::AdapterKind::Card)
        {
            // The host's interface standing for the card: its own addresses, when it has any.
            const auto address = hostwifi::HostAdapterAddressOf(*host);
            if (!address)
                continue; // it went between the adapter list and now
            e.description = "host interface " + address->name;
            e.mac = address->mac;
            e.dhcp = address->dhcp ? 1 : 0;
            e.ip = address->ip;
            e.mask = address->mask;
            e.gateway = address->gateway;
            e.dhcpServer = ""; // the host does not say which server gave the lease
        }
        else
        {
            const sim::MiniportIdentity id = adapter.kind == sim::ndis::AdapterKind::Card
                                                 ? sim::CardIdentity()
                                                 : sim::ndis::ExtraIdentity(adapter.name);
            sim::WlanMiniport miniport(id);
            const sim::CardState state = miniport.State();
            const sim::AirSettings air = sim::AirSettings::Load();
            e.description = "WLAN 802.11b SDIO card";
            e.mac = state.mac;
            e.dhcp = 1;
            const auto link = sim::ComputeLink(state, air, sim::clock::NowMs());
            if (adapter.kind == sim::ndis::AdapterKind::Card && link.phase == sim::LinkView::Phase::Connected)
            {
                e.ip = air.ip;
                e.mask = "255.255.255.0";
                unsigned a = 0, b = 0, c = 0, d = 0;
                if (std::sscanf(air.ip.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d) == 4)
                    e.gateway = std::to_string(a) + "." + std::to_string(b) + "." + std::to_string(c) + ".1";
            }
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

void SetAddress(IP_ADDR_STRING& address, const std::string& ip, const std::string& mask)
{
    address.Next = nullptr;
    CopyText(address.IpAddress.String, sizeof(address.IpAddress.String), ip);
    CopyText(address.IpMask.String, sizeof(address.IpMask.String), mask);
    address.Context = 0;
}

} // namespace

extern "C" __attribute__((visibility("default"))) DWORD GetAdaptersInfo(PIP_ADAPTER_INFO pAdapterInfo,
                                                                        PULONG pOutBufLen)
{
    if (!pOutBufLen)
        return ERROR_INVALID_PARAMETER;
    try
    {
        const std::vector<Entry> entries = Entries();
        if (entries.empty())
            return ERROR_NO_DATA;
        const ULONG needed = static_cast<ULONG>(entries.size() * sizeof(IP_ADAPTER_INFO));
        if (!pAdapterInfo || *pOutBufLen < needed)
        {
            *pOutBufLen = needed;
            return ERROR_BUFFER_OVERFLOW;
        }
        for (size_t i = 0; i < entries.size(); ++i)
        {
            IP_ADAPTER_INFO& info = pAdapterInfo[i];
            const Entry& e = entries[i];
            std::memset(&info, 0, sizeof(info));
            info.Next = i + 1 < entries.size() ? &pAdapterInfo[i + 1] : nullptr;
            info.ComboIndex = static_cast<DWORD>(i + 1);
            CopyText(info.AdapterName, sizeof(info.AdapterName), e.name);
            CopyText(info.Description, sizeof(info.Description), e.description);
            info.AddressLength = 6;
            std::memcpy(info.Address, e.mac.data(), 6);
            info.Index = static_cast<DWORD>(i + 1);
            info.Type = MIB_IF_TYPE_ETHERNET;
            info.DhcpEnabled = e.dhcp;
            SetAddress(info.IpAddressList, e.ip, e.mask);
            SetAddress(info.GatewayList, e.gateway, "0.0.0.0");
            SetAddress(info.DhcpServer, e.dhcpServer.value_or(e.dhcp ? e.gateway : "0.0.0.0"), "0.0.0.0");
            SetAddress(info.PrimaryWinsServer, "0.0.0.0", "0.0.0.0");
            SetAddress(info.SecondaryWinsServer, "0.0.0.0", "0.0.0.0");
        }
        return NO_ERROR;
    }
    catch (...)
    {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}
