#include <hostwifi/host_choice.h>
#include <hostwifi/host_slot.h>

#include "netlink_exchange.h"
#include <kernel/unique_fd.h>

#include <sdslot/sd_slot.h>

#include <netlink/errno.h>
#include <netlink/netlink.h>

#include <linux/rtnetlink.h>

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>

namespace hostwifi
{

bool InterfaceIsWireless(const LinkInfo& link)
{
    std::error_code error;
    return !link.name.empty() &&
           std::filesystem::exists(std::filesystem::path("/sys/class/net") / link.name / "phy80211", error);
}

SlotFollower::SlotFollower(std::string choice, IsWireless isWireless)
    : m_choice(std::move(choice)), m_isWireless(std::move(isWireless))
{
}

bool SlotFollower::IsCard(const LinkInfo& link) const
{
    if (m_choice == kAutoInterface)
        return m_isWireless && m_isWireless(link);
    return link.name == m_choice;
}

bool SlotFollower::Reset(const std::vector<LinkInfo>& links)
{
    m_cards.clear();
    for (const LinkInfo& link : links)
        if (IsCard(link))
            m_cards.insert(link.ifindex);
    return present();
}

std::optional<bool> SlotFollower::OnLinkMessage(const LinkMessage& message)
{
    const bool before = present();
    // A new link, a change of one (a rename among them) or its removal.
    if (!message.removed && IsCard(message.link))
        m_cards.insert(message.link.ifindex);
    else
        m_cards.erase(message.link.ifindex);
    if (present() == before)
        return std::nullopt;
    return present();
}

struct SlotWatcher::State
{
    SlotFollower follower;
    OnChange onChange;
    Socket events{nullptr, nl_socket_free};
    Socket queries{nullptr, nl_socket_free};
    ce::UniqueFd wake;
    std::thread thread;

    void Resync()
    {
        const auto links = DumpLinks(queries.get());
        if (!links.ok())
            return;
        const bool before = follower.present();
        if (follower.Reset(*links.value) != before)
            Tell(!before);
    }

    // Nothing the slot's change throws leaves the thread (or crosses libnl's callbacks).
    void Tell(bool present)
    {
        try
        {
            onChange(present);
        }
        catch (...)
        {
            std::cerr << "hostwifi: the slot could not follow the interface's "
                      << (present ? "arrival" : "removal") << "\n";
        }
    }

    static int OnMessage(nl_msg* message, void* arg)
    {
        auto* state = static_cast<State*>(arg);
        if (const auto link = ParseLinkMessage(nlmsg_hdr(message)))
            if (const auto change = state->follower.OnLinkMessage(*link))
                state->Tell(*change);
        return NL_OK;
    }

    void Run()
    {
        Callbacks callbacks(nl_cb_alloc(NL_CB_DEFAULT), nl_cb_put);
        if (!callbacks)
            return;
        nl_cb_set(callbacks.get(), NL_CB_VALID, NL_CB_CUSTOM, OnMessage, this);
        // Events carry no sequence number of ours.
        nl_cb_set(
            callbacks.get(), NL_CB_SEQ_CHECK, NL_CB_CUSTOM, [](nl_msg*, void*) -> int { return NL_OK; },
            nullptr);
        pollfd fds[2] = {{nl_socket_get_fd(events.get()), POLLIN, 0}, {wake.get(), POLLIN, 0}};
        for (;;)
        {
            if (::poll(fds, 2, -1) < 0)
            {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (fds[1].revents)
                return;
            if (!fds[0].revents)
                continue;
            const int received = nl_recvmsgs(events.get(), callbacks.get());
            // Events were lost (the socket's buffer ran over): read the links afresh.
            if (received == -NLE_NOMEM || received == -NLE_MSG_OVERFLOW)
                Resync();
            else if (received < 0 && received != -NLE_AGAIN && received != -NLE_INTR)
            {
                std::cerr << "hostwifi: the slot stops following the interface: " << nl_geterror(received)
                          << "\n";
                return;
            }
        }
    }
};

SlotWatcher::SlotWatcher(std::unique_ptr<State> state) : m_state(std::move(state)) {}

std::unique_ptr<SlotWatcher> SlotWatcher::Start(std::string choice, OnChange onChange,
                                                SlotFollower::IsWireless isWireless)
{
    auto state = std::make_unique<State>(State{SlotFollower(std::move(choice), std::move(isWireless)),
                                               std::move(onChange),
                                               Connect(NETLINK_ROUTE),
                                               Connect(NETLINK_ROUTE),
                                               ce::UniqueFd(::eventfd(0, EFD_CLOEXEC)),
                                               {}});
    if (!state->events || !state->queries || !state->wake)
        return nullptr;
    if (nl_socket_add_membership(state->events.get(), RTNLGRP_LINK) < 0 ||
        nl_socket_set_nonblocking(state->events.get()) < 0)
        return nullptr;
    // Subscribed first, so that nothing between the list and the first event is missed.
    const auto links = DumpLinks(state->queries.get());
    if (!links.ok())
        return nullptr;
    state->Tell(state->follower.Reset(*links.value));
    State* raw = state.get();
    state->thread = std::thread([raw] { raw->Run(); });
    return std::unique_ptr<SlotWatcher>(new SlotWatcher(std::move(state)));
}

SlotWatcher::~SlotWatcher()
{
    const uint64_t one = 1;
    if (::write(m_state->wake.get(), &one, sizeof(one)) < 0)
        std::cerr << "hostwifi: the slot watcher could not be woken to stop\n";
    if (m_state->thread.joinable())
        m_state->thread.join();
}

std::unique_ptr<SlotWatcher> FollowChosenInterface()
{
    const auto choice = ChosenInterface();
    if (!choice)
        return nullptr;
    auto watcher = SlotWatcher::Start(*choice, [](bool present) { sim::sdslot::SetCardEntry(present); });
    if (!watcher)
        std::cerr << "hostwifi: rtnetlink cannot be reached; the slot does not follow " << *choice << "\n";
    return watcher;
}

} // namespace hostwifi
