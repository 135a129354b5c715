#include <ndis/adapters.h>

#include <card/wired_miniport.h>
#include <hostwifi/host_card.h>
#include <hostwifi/host_choice.h>
#include <sdslot/sd_slot.h>
#include <simcore/faults.h>
#include <simcore/reg_key.h>
#include <simcore/text.h>

#include <algorithm>
#include <cstring>

namespace sim::ndis
{
namespace
{

constexpr std::u16string_view kAdaptersKey = u"Simulator\\Adapters";

std::u16string ExtraKey(std::u16string_view name)
{
    return std::u16string(kAdaptersKey) + u"\\" + std::u16string(name);
}

} // namespace

MiniportIdentity ExtraIdentity(std::u16string_view name)
{
    uint32_t h = 2166136261u;
    for (char16_t c : name)
        h = (h ^ c) * 16777619u;
    return {std::u16string(name),
            ExtraKey(name),
            u"Comm\\" + std::u16string(name) + u"\\Parms",
            {0x00, 0x0A, 0x5D, static_cast<uint8_t>(h >> 16), static_cast<uint8_t>(h >> 8),
             static_cast<uint8_t>(h)}};
}

std::vector<Adapter> Adapters()
{
    std::vector<Adapter> adapters;
    RegKey extras = RegKey::Open(HKEY_LOCAL_MACHINE, kAdaptersKey, KEY_READ);
    const MiniportIdentity card = CardIdentity();
    for (const auto& name : extras.SubKeys())
    {
        if (EqualsNoCase(name, card.name))
            continue;
        RegKey key = RegKey::Open(extras.get(), name, KEY_READ);
        const std::u16string kind = key.GetString(u"Kind").value_or(u"wired");
        adapters.push_back(
            {name, EqualsNoCase(kind, u"wireless") ? AdapterKind::Wireless : AdapterKind::Wired});
    }
    // The card is in while the slot holds it, or, when the host's interface stands for it, while that
    // interface exists.
    const auto host = hostwifi::ChosenInterface();
    if (host ? hostwifi::HostCardPresent(*host) : sdslot::CardInserted())
        adapters.push_back({card.name, AdapterKind::Card});
    return adapters;
}

std::optional<Adapter> FindAdapter(std::u16string_view name)
{
    for (auto& a : Adapters())
        if (EqualsNoCase(a.name, name))
            return a;
    return std::nullopt;
}

RequestResult Request(std::u16string_view name, const OidRequest& request)
{
    try
    {
        auto adapter = FindAdapter(name);
        if (!adapter)
            return Failed(NDIS_STATUS_ADAPTER_REMOVED);
        const Faults faults = Faults::Load();
        if (adapter->kind == AdapterKind::Card && faults.AdapterRemoved())
            return Failed(NDIS_STATUS_ADAPTER_REMOVED);
        if (auto status = faults.Status(request.oid, request.set))
            return Failed(static_cast<NDIS_STATUS>(*status));
        if (!request.set)
            if (auto answer = faults.Answer(request.oid))
            {
                const uint32_t size = static_cast<uint32_t>(answer->size());
                if (request.length < size)
                    return TooShort(NDIS_STATUS_INVALID_LENGTH, size);
                if (size)
                    std::memcpy(request.buffer, answer->data(), size);
                return Done(size);
            }
        const auto host = hostwifi::ChosenInterface();
        auto cardRequest = [&] {
            return host ? hostwifi::HostCardRequest(*host, request)
                        : WlanMiniport(CardIdentity()).Request(request);
        };
        if (!request.set && adapter->kind == AdapterKind::Card)
            if (auto claimed = faults.Overreport(request.oid))
            {
                // A miniport that claims more than it wrote: the count is wrong, the buffer is not.
                RequestResult result = cardRequest();
                if (result.status == NDIS_STATUS_SUCCESS)
                    result.bytesDone = *claimed;
                return result;
            }
        switch (adapter->kind)
        {
        case AdapterKind::Card:
            return cardRequest();
        case AdapterKind::Wireless:
            return WlanMiniport(ExtraIdentity(adapter->name)).Request(request);
        case AdapterKind::Wired:
            return WiredMiniport(adapter->name).Request(request);
        }
    }
    catch (...)
    {
        return Failed(NDIS_STATUS_RESOURCES);
    }
    return Failed(NDIS_STATUS_FAILURE);
}

bool Rebind(std::u16string_view name)
{
    auto adapter = FindAdapter(name);
    if (!adapter)
        return false;
    if (adapter->kind == AdapterKind::Card && !hostwifi::ChosenInterface()) // the host's keeps its own
        WlanMiniport(CardIdentity()).Start(true, false);
    else if (adapter->kind == AdapterKind::Wireless)
        WlanMiniport(ExtraIdentity(adapter->name)).Start(true, false);
    return true;
}

std::optional<std::string> AddAdapter(std::u16string_view name, AdapterKind kind)
{
    if (name.empty() || name.size() > 32)
        return "an adapter name has 1 to 32 characters";
    for (char16_t c : name)
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')))
            return "an adapter name has only letters and digits";
    if (EqualsNoCase(name, CardIdentity().name))
        return "WLAN11b1 is the card's adapter";
    if (RegKey::Open(HKEY_LOCAL_MACHINE, ExtraKey(name), KEY_READ).valid())
        return "the adapter exists already";
    RegKey key = RegKey::Create(HKEY_LOCAL_MACHINE, ExtraKey(name));
    if (!key.valid() ||
        key.SetString(u"Kind", kind == AdapterKind::Wireless ? u"wireless" : u"wired") != ERROR_SUCCESS)
        return "the registry refused the adapter";
    return std::nullopt;
}

bool RemoveAdapter(std::u16string_view name)
{
    for (const auto& existing : RegKey::Open(HKEY_LOCAL_MACHINE, kAdaptersKey, KEY_READ).SubKeys())
        if (EqualsNoCase(existing, name))
            return DeleteKeyTree(HKEY_LOCAL_MACHINE, ExtraKey(existing)) == ERROR_SUCCESS;
    return false;
}

} // namespace sim::ndis
