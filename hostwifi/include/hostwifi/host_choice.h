// Which card the handheld has: the simulated one, or the host's own network interface standing in for it.
// The choice is one value of the handheld's registry, HKLM\Simulator\Host "Interface" (an interface name,
// or "auto" for the first wireless interface); without it the card is the simulated one. Every program of
// the handheld (the utility, cardctl, the IP helper) reads it at each use.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hostwifi
{

inline constexpr std::u16string_view kHostKey = u"Simulator\\Host";
// The choice of the first wireless interface, whatever its name.
inline constexpr char kAutoInterface[] = "auto";

// The chosen interface, or std::nullopt for the simulated card.
std::optional<std::string> ChosenInterface();
// Stores the choice; returns an error text when the name cannot be an interface name or the registry
// refuses it.
std::optional<std::string> ChooseInterface(std::string_view name);
// Back to the simulated card.
bool ClearChoice();

// 1 to 15 characters, none of them '/', ':' or blank, and not "." or ".." (the host's rules), or "auto".
bool ValidInterfaceName(std::string_view name);

// Whether the card is in: the chosen interface exists (for "auto": some wireless interface does).
bool HostCardPresent(const std::string& choice);

} // namespace hostwifi
