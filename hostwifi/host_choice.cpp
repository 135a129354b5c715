#include <hostwifi/host_choice.h>
#include <hostwifi/netlink_backend.h>

#include <simcore/reg_key.h>
#include <simcore/text.h>

namespace hostwifi
{

bool ValidInterfaceName(std::string_view name)
{
    if (name.empty() || name.size() > 15 || name == "." || name == "..")
        return false;
    for (char c : name)
        if (c == '/' || c == ':' || static_cast<unsigned char>(c) <= ' ' || c == 0x7F)
            return false;
    return true;
}

std::optional<std::string> ChosenInterface()
{
    sim::RegKey key = sim::RegKey::Open(HKEY_LOCAL_MACHINE, kHostKey, KEY_READ);
    const auto value = key.GetString(u"Interface");
    if (!value || value->empty())
        return std::nullopt;
    const std::string name = sim::ToUtf8(*value);
    if (!ValidInterfaceName(name))
        return std::nullopt;
    return name;
}

std::optional<std::string> ChooseInterface(std::string_view name)
{
    if (!ValidInterfaceName(name))
        return "an interface name has 1 to 15 characters and no '/', ':' or blanks";
    sim::RegKey key = sim::RegKey::Create(HKEY_LOCAL_MACHINE, kHostKey);
    if (!key.valid() || key.SetString(u"Interface", sim::FromUtf8(name)) != ERROR_SUCCESS)
        return "the registry refused the choice";
    return std::nullopt;
}

bool ClearChoice()
{
    return sim::DeleteKeyTree(HKEY_LOCAL_MACHINE, kHostKey) == ERROR_SUCCESS;
}

bool HostCardPresent(const std::string& choice)
{
    return NetlinkBackend(choice).Present();
}

} // namespace hostwifi
