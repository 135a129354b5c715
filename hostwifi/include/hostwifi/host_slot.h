// The SD slot when the card is the host's interface: the card is in while the interface exists. A watcher
// thread listens to rtnetlink's link events (no polling) and, when the interface comes or goes, adds or
// deletes the card's Drivers\Active entry and broadcasts the device change, as the simulated slot does on
// insertion and removal.
#pragma once

#include <hostwifi/host_facts.h>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace hostwifi
{

// Whether a link is a wireless interface (cfg80211 gives it a phy80211 link in sysfs).
bool InterfaceIsWireless(const LinkInfo& link);

// Follows the links of the host and tells whether the card's interface is among them: the named interface
// (followed through renames by its index), or for "auto" any wireless interface.
class SlotFollower
{
public:
    using IsWireless = std::function<bool(const LinkInfo&)>;
    SlotFollower(std::string choice, IsWireless isWireless);

    // Starts again from the full list of links; returns the card's presence.
    bool Reset(const std::vector<LinkInfo>& links);
    // One link message; returns the new presence when the message changed it.
    std::optional<bool> OnLinkMessage(const LinkMessage& message);
    bool present() const { return !m_cards.empty(); }

private:
    bool IsCard(const LinkInfo& link) const;

    std::string m_choice;
    IsWireless m_isWireless;
    std::set<uint32_t> m_cards; // interface indexes that stand for the card
};

class SlotWatcher
{
public:
    using OnChange = std::function<void(bool present)>;
    // Listens to the link events of the process's network namespace. Before it returns, it reads every
    // link and calls onChange with the presence once; afterwards onChange runs on the watcher's thread at
    // every change. std::nullptr when rtnetlink cannot be reached.
    static std::unique_ptr<SlotWatcher> Start(std::string choice, OnChange onChange,
                                              SlotFollower::IsWireless isWireless = InterfaceIsWireless);
    ~SlotWatcher(); // stops the thread and waits for it
    SlotWatcher(const SlotWatcher&) = delete;
    SlotWatcher& operator=(const SlotWatcher&) = delete;

    struct State;

private:
    explicit SlotWatcher(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

// The card's Drivers\Active entry and the device-change broadcasts follow the chosen interface while the
// object lives; std::nullptr when the card is the simulated one (or rtnetlink cannot be reached).
std::unique_ptr<SlotWatcher> FollowChosenInterface();

} // namespace hostwifi
