#include "netlink_exchange.h"

#include <netlink/errno.h>
#include <netlink/netlink.h>

#include <linux/rtnetlink.h>

#include <cerrno>

namespace hostwifi
{
namespace
{

struct Exchange
{
    const std::function<void(const nlmsghdr*)>* each = nullptr;
    int error = 1; // 1 while waiting, 0 done, else the kernel's negative errno
};

int OnValid(nl_msg* message, void* arg)
{
    auto* exchange = static_cast<Exchange*>(arg);
    if (*exchange->each)
        (*exchange->each)(nlmsg_hdr(message));
    return NL_OK;
}

int OnError(sockaddr_nl*, nlmsgerr* error, void* arg)
{
    static_cast<Exchange*>(arg)->error = error->error;
    return NL_STOP;
}

int OnFinish(nl_msg*, void* arg)
{
    static_cast<Exchange*>(arg)->error = 0;
    return NL_SKIP;
}

int OnAck(nl_msg*, void* arg)
{
    static_cast<Exchange*>(arg)->error = 0;
    return NL_STOP;
}

} // namespace

HostStatus FromErrno(int error)
{
    switch (error)
    {
    case 0:
        return HostStatus::Ok;
    case EPERM:
    case EACCES:
        return HostStatus::Permission;
    case ENODEV:
    case ENXIO:
        return HostStatus::Gone;
    case EOPNOTSUPP:
    case ENOENT:
    case ENOLINK:
        return HostStatus::NotSupported;
    case EBUSY:
    case EALREADY:
    case EINPROGRESS:
        return HostStatus::Busy;
    default:
        return HostStatus::Failed;
    }
}

HostStatus FromNlError(int error)
{
    switch (error < 0 ? -error : error)
    {
    case NLE_PERM:
        return HostStatus::Permission;
    case NLE_NODEV:
        return HostStatus::Gone;
    case NLE_OPNOTSUPP:
    case NLE_OBJ_NOTFOUND:
        return HostStatus::NotSupported;
    case NLE_BUSY:
        return HostStatus::Busy;
    default:
        return HostStatus::Failed;
    }
}

// Sends the message and reads the answers up to the end of a dump, the acknowledgement or an error.
HostStatus Transact(nl_sock* socket, nl_msg* message, const std::function<void(const nlmsghdr*)>& each)
{
    Callbacks callbacks(nl_cb_alloc(NL_CB_DEFAULT), nl_cb_put);
    if (!callbacks)
        return HostStatus::Failed;
    Exchange exchange{&each};
    nl_cb_set(callbacks.get(), NL_CB_VALID, NL_CB_CUSTOM, OnValid, &exchange);
    nl_cb_set(callbacks.get(), NL_CB_FINISH, NL_CB_CUSTOM, OnFinish, &exchange);
    nl_cb_set(callbacks.get(), NL_CB_ACK, NL_CB_CUSTOM, OnAck, &exchange);
    nl_cb_err(callbacks.get(), NL_CB_CUSTOM, OnError, &exchange);
    if (const int sent = nl_send_auto(socket, message); sent < 0)
        return FromNlError(sent);
    while (exchange.error > 0)
    {
        const int received = nl_recvmsgs(socket, callbacks.get());
        if (exchange.error < 0)
            return FromErrno(-exchange.error);
        if (received < 0)
            return FromNlError(received);
    }
    return FromErrno(-exchange.error);
}

Socket Connect(int protocol)
{
    Socket socket(nl_socket_alloc(), nl_socket_free);
    if (!socket || nl_connect(socket.get(), protocol) < 0)
        return Socket(nullptr, nl_socket_free);
    // Wiphy descriptions and scan results can be larger than a page.
    nl_socket_enable_msg_peek(socket.get());
    return socket;
}

Outcome<std::vector<LinkInfo>> DumpLinks(nl_sock* socket)
{
    return DumpRoute<LinkInfo>(socket, RTM_GETLINK, ifinfomsg{},
                               [](const nlmsghdr* answer) -> std::optional<LinkInfo>
                               {
                                   auto link = ParseLinkMessage(answer);
                                   if (!link || link->removed)
                                       return std::nullopt;
                                   return std::move(link->link);
                               });
}

} // namespace hostwifi
