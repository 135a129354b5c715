// One request to the kernel over a netlink socket and its answers, with the kernel's and libnl's errors
// turned into HostStatus at this one place.
#pragma once

#include <hostwifi/host_backend.h>

#include <netlink/handlers.h>
#include <netlink/msg.h>
#include <netlink/socket.h>

#include <functional>
#include <optional>
#include <memory>
#include <vector>

namespace hostwifi
{

using Message = std::unique_ptr<nl_msg, decltype(&nlmsg_free)>;
using Socket = std::unique_ptr<nl_sock, decltype(&nl_socket_free)>;
using Callbacks = std::unique_ptr<nl_cb, decltype(&nl_cb_put)>;

HostStatus FromErrno(int error);
HostStatus FromNlError(int error);

// A socket of the protocol (NETLINK_ROUTE, NETLINK_GENERIC), or a null one when the kernel refuses it.
Socket Connect(int protocol);

// Sends the message and reads the answers up to the end of a dump, the acknowledgement or an error;
// every answer goes to `each` (which may be empty).
HostStatus Transact(nl_sock* socket, nl_msg* message, const std::function<void(const nlmsghdr*)>& each);

// A dump of one kind of rtnetlink object (RTM_GETLINK, RTM_GETADDR, ...) asked with the family header
// `request`; every answer that `parse` turns into a value goes into the list.
template <class T, class Header, class Parse>
Outcome<std::vector<T>> DumpRoute(nl_sock* socket, int type, Header request, Parse parse)
{
    Message message(nlmsg_alloc_simple(type, NLM_F_DUMP), nlmsg_free);
    if (!message || nlmsg_append(message.get(), &request, sizeof(request), NLMSG_ALIGNTO) < 0)
        return Outcome<std::vector<T>>::Error(HostStatus::Failed);
    std::vector<T> list;
    const HostStatus status = Transact(socket, message.get(),
                                       [&](const nlmsghdr* answer)
                                       {
                                           if (std::optional<T> item = parse(answer))
                                               list.push_back(std::move(*item));
                                       });
    if (status != HostStatus::Ok)
        return Outcome<std::vector<T>>::Error(status);
    return Outcome<std::vector<T>>::Of(std::move(list));
}

// Every link of the socket's network namespace.
Outcome<std::vector<LinkInfo>> DumpLinks(nl_sock* socket);

} // namespace hostwifi
