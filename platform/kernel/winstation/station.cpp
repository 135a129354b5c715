// The window station of this process: its published windows, its listening socket with the thread that
// reads what arrives, the queue that Dispatch() empties, and the sending side that other processes reach
// through their sockets.
#include "publication.h"
#include <kernel/unique_fd.h>
#include "wire.h"

#include <kernel/handheld.h>
#include <kernel/host_files.h>
#include <kernel/winstation.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace ce::winstation
{
using namespace detail;

namespace
{

constexpr uint32_t kFirstHandle = 0x10000;
constexpr uint32_t kHandleLimit = 0x80000000u;

constexpr auto kSendTimeout = 2000ms;    // connecting to a peer and writing one record
constexpr auto kPartialTimeout = 2000ms; // a started record must be complete by then
constexpr auto kIdleTimeout = 10s;       // an open connection with nothing going on
constexpr auto kFlushTimeout = 2000ms;   // an answer that the requester does not read
constexpr size_t kMaxConnections = 64;
constexpr size_t kMaxQueued = 10000; // as many posted messages as a Windows thread queue holds
constexpr size_t kMaxQueuedBytes = 32 * 1024 * 1024;
constexpr size_t kReadChunk = 64 * 1024;
constexpr size_t kReadPerRound = 4 * kReadChunk; // per connection, so one sender cannot starve others

struct Arrival
{
    Frame frame;
    uint32_t senderPid = 0;
    uint64_t connection = 0; // the connection a request came on; 0 for local messages
};

struct Reply
{
    uint64_t connection = 0;
    uint32_t requestId = 0;
    std::optional<std::vector<uint8_t>> answer; // nullopt: refuse, end the connection
};

// eventfd counters: Signal makes the descriptor readable, Drain makes it quiet again.
void Signal(int fd)
{
    if (fd < 0)
        return;
    uint64_t one = 1;
    while (::write(fd, &one, sizeof one) < 0 && errno == EINTR)
    {
    }
}

void Drain(int fd)
{
    if (fd < 0)
        return;
    uint64_t count = 0;
    while (::read(fd, &count, sizeof count) < 0 && errno == EINTR)
    {
    }
}

struct State
{
    std::mutex lifecycle; // serialises Listen and Shutdown; taken before `lock`
    std::mutex lock;

    bool listening = false;
    fs::path dir;
    uint32_t pid = 0;
    uint64_t startTime = 0;
    UniqueFd listenFd;
    UniqueFd wakeFd; // tells the reader thread that replies are waiting or that it must stop
    std::thread reader;
    bool stop = false;
    std::vector<PublishedWindow> windows;

    UniqueFd readyFd; // ReceiveFd(): readable while arrivals wait for Dispatch()
    std::deque<Arrival> queue;
    size_t queuedBytes = 0;
    std::vector<Reply> replies;
    MessageHandler onMessage;
    RequestHandler onRequest;
    bool atExitRegistered = false;

    State();
    ~State();
};

// Set once the state has been destroyed at exit, for a late handheld reset from another destructor.
std::atomic<bool> g_stateGone{false};

State& S()
{
    static State state;
    return state;
}

void ShutdownHook()
{
    Shutdown();
}

State::State()
{
    ce::AddHandheldResetHook(&ShutdownHook);
}

State::~State()
{
    g_stateGone = true;
    // Normally Shutdown() has run from atexit already; a joinable thread here would end the process.
    if (reader.joinable())
    {
        {
            std::lock_guard guard(lock);
            stop = true;
            Signal(wakeFd.get());
        }
        reader.join();
    }
}

void EnsureReadyFdLocked(State& s)
{
    if (!s.readyFd)
        s.readyFd.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
}

// Queues an arrival for Dispatch(). False when the queue is full (the receiver has stopped dispatching).
bool EnqueueLocked(State& s, Arrival arrival)
{
    size_t bytes = arrival.frame.payload.size() + wire::kHeaderSize;
    if (s.queue.size() >= kMaxQueued || s.queuedBytes + bytes > kMaxQueuedBytes)
        return false;
    s.queuedBytes += bytes;
    s.queue.push_back(std::move(arrival));
    EnsureReadyFdLocked(s);
    Signal(s.readyFd.get());
    return true;
}

Frame ToFrame(const Message& m, uint32_t hwnd)
{
    Frame f;
    f.kind = wire::Kind::Message;
    f.hwnd = hwnd;
    f.message = m.message;
    f.wParam = m.wParam;
    f.lParam = m.lParam;
    f.payload = m.payload;
    return f;
}

Message ToMessage(const Arrival& a)
{
    Message m;
    m.hwnd = a.frame.hwnd;
    m.message = a.frame.message;
    m.wParam = a.frame.wParam;
    m.lParam = a.frame.lParam;
    m.payload = a.frame.payload;
    m.senderPid = a.senderPid;
    return m;
}

bool PeerIsUs(int fd, uint32_t* pid = nullptr)
{
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof cred)
        return false;
    if (pid)
        *pid = static_cast<uint32_t>(cred.pid);
    return cred.uid == ::geteuid();
}

// The address of a socket in `dir`. A path too long for sun_path (a deep handheld folder) is reached
// through a descriptor of the folder instead, which `dirFd` keeps open while the address is used.
struct SocketAddress
{
    sockaddr_un addr{};
    socklen_t length = 0;
    UniqueFd dirFd;
};

bool MakeAddress(const fs::path& socketPath, SocketAddress& out)
{
    std::string path = socketPath.string();
    if (path.size() >= sizeof out.addr.sun_path)
    {
        out.dirFd = OpenHostFile(socketPath.parent_path().c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW);
        if (!out.dirFd)
            return false;
        path = "/proc/self/fd/" + std::to_string(out.dirFd.get()) + "/" + socketPath.filename().string();
        if (path.size() >= sizeof out.addr.sun_path)
            return false;
    }
    out.addr.sun_family = AF_UNIX;
    std::memcpy(out.addr.sun_path, path.c_str(), path.size() + 1);
    out.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
    return true;
}

int MsLeft(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 60000));
}

// Waits until the descriptor is ready for `events` (or has failed, which the next call reports).
bool WaitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;)
    {
        pollfd p{fd, events, 0};
        int r = ::poll(&p, 1, MsLeft(deadline));
        if (r < 0 && errno == EINTR)
            continue;
        if (r == 0 && Clock::now() < deadline)
            continue; // MsLeft caps one wait at a minute
        return r > 0 && (p.revents & (events | POLLHUP | POLLERR));
    }
}

// Connects to the socket of process `pid`; an invalid descriptor on failure or time-out, or when the
// socket is not held by this user.
UniqueFd Connect(const fs::path& dir, uint32_t pid, Clock::time_point deadline)
{
    SocketAddress address;
    if (!MakeAddress(SocketPath(dir, pid), address))
        return {};
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd)
        return {};
    for (;;)
    {
        if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address.addr), address.length) == 0)
            break;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN) // the listener's backlog is full: it is busy, try again shortly
        {
            if (Clock::now() >= deadline)
                return {};
            std::this_thread::sleep_for(5ms);
            continue;
        }
        if (errno != EINPROGRESS || !WaitFor(fd.get(), POLLOUT, deadline))
            return {};
        int error = 0;
        socklen_t len = sizeof error;
        if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0)
            return {};
        break;
    }
    if (!PeerIsUs(fd.get()))
        return {};
    return fd;
}

bool SendAll(int fd, const std::vector<uint8_t>& bytes, Clock::time_point deadline)
{
    size_t done = 0;
    while (done < bytes.size())
    {
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0)
        {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd, POLLOUT, deadline))
            continue;
        return false;
    }
    return true;
}

bool SendRecord(const fs::path& dir, uint32_t pid, const std::vector<uint8_t>& record)
{
    auto deadline = Clock::now() + kSendTimeout;
    UniqueFd fd = Connect(dir, pid, deadline);
    return fd && SendAll(fd.get(), record, deadline);
}

// ---- the reader thread ----------------------------------------------------------------------------

struct Connection
{
    UniqueFd fd;
    uint64_t id = 0;
    uint32_t peerPid = 0;
    FrameReader reader{FrameReader::Accept(wire::Kind::Message) | FrameReader::Accept(wire::Kind::Request)};
    std::vector<uint8_t> out;
    size_t outDone = 0;
    int pending = 0; // requests handed to Dispatch() and not yet answered
    bool eof = false;
    bool drop = false;
    Clock::time_point lastActivity = Clock::now();
    std::optional<Clock::time_point> partialSince;

    bool Writing() const { return outDone < out.size(); }
    std::optional<Clock::time_point> Deadline() const
    {
        if (Writing())
            return lastActivity + kFlushTimeout;
        if (partialSince)
            return *partialSince + kPartialTimeout;
        if (pending == 0)
            return lastActivity + kIdleTimeout;
        return std::nullopt; // the requester keeps its own time limit
    }
};

void ReadFrom(State& s, Connection& c)
{
    uint8_t chunk[kReadChunk];
    size_t total = 0;
    while (total < kReadPerRound)
    {
        ssize_t n = ::recv(c.fd.get(), chunk, sizeof chunk, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
        {
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                c.drop = true;
            break;
        }
        if (n == 0)
        {
            c.eof = true;
            break;
        }
        total += static_cast<size_t>(n);
        c.lastActivity = Clock::now();
        c.reader.Append(chunk, static_cast<size_t>(n));
    }
    for (;;)
    {
        Arrival a;
        auto status = c.reader.Next(a.frame);
        if (status == FrameReader::Status::NeedMore)
            break;
        if (status == FrameReader::Status::Bad)
        {
            c.drop = true;
            break;
        }
        a.senderPid = c.peerPid;
        bool request = a.frame.kind == wire::Kind::Request;
        if (request)
            a.connection = c.id;
        std::lock_guard guard(s.lock);
        if (!EnqueueLocked(s, std::move(a)))
        {
            // The receiver does not keep up; end the connection so that a requester learns at once.
            c.drop = true;
            break;
        }
        if (request)
            ++c.pending;
    }
    if (c.reader.HasPartial())
    {
        if (!c.partialSince)
            c.partialSince = Clock::now();
    }
    else
        c.partialSince.reset();
}

void WriteTo(Connection& c)
{
    while (c.Writing())
    {
        ssize_t n = ::send(c.fd.get(), c.out.data() + c.outDone, c.out.size() - c.outDone,
                           MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0)
        {
            c.outDone += static_cast<size_t>(n);
            c.lastActivity = Clock::now();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        c.drop = true;
        return;
    }
    c.out.clear();
    c.outDone = 0;
}

void AcceptAll(int listenFd, std::vector<Connection>& connections, uint64_t& nextId)
{
    while (connections.size() < kMaxConnections)
    {
        UniqueFd fd(::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!fd)
        {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;
        }
        Connection c;
        // Another user's connection is closed before a byte of it is read.
        if (!PeerIsUs(fd.get(), &c.peerPid))
            continue;
        c.fd = std::move(fd);
        c.id = nextId++;
        connections.push_back(std::move(c));
    }
}

void ReaderLoop(State& s, int listenFd, int wakeFd)
{
    std::vector<Connection> connections;
    uint64_t nextId = 1;
    std::vector<pollfd> fds;
    for (;;)
    {
        fds.clear();
        fds.push_back({wakeFd, POLLIN, 0});
        fds.push_back({listenFd, static_cast<short>(connections.size() < kMaxConnections ? POLLIN : 0), 0});
        std::optional<Clock::time_point> next;
        for (const auto& c : connections)
        {
            short events = c.Writing() ? POLLOUT : (c.eof ? 0 : POLLIN);
            fds.push_back({c.fd.get(), events, 0});
            if (auto d = c.Deadline(); d && (!next || *d < *next))
                next = *d;
        }
        int timeout = next ? MsLeft(*next) + 1 : -1;
        int r = ::poll(fds.data(), fds.size(), timeout);
        if (r < 0 && errno != EINTR)
            break;

        if (fds[0].revents & POLLIN)
            Drain(wakeFd);
        std::vector<Reply> replies;
        {
            std::lock_guard guard(s.lock);
            if (s.stop)
                break;
            replies.swap(s.replies);
        }
        for (auto& reply : replies)
        {
            auto it = std::find_if(connections.begin(), connections.end(),
                                   [&](const Connection& c) { return c.id == reply.connection; });
            if (it == connections.end())
                continue; // the requester has gone
            --it->pending;
            it->lastActivity = Clock::now();
            if (!reply.answer)
            {
                it->drop = true;
                continue;
            }
            Frame answer;
            answer.kind = wire::Kind::Answer;
            answer.requestId = reply.requestId;
            answer.payload = std::move(*reply.answer);
            auto bytes = Encode(answer);
            it->out.insert(it->out.end(), bytes.begin(), bytes.end());
            WriteTo(*it);
        }

        // Connections first: fds[2 + i] belongs to connections[i] as they were before accepting.
        for (size_t i = 0; i + 2 < fds.size() && i < connections.size(); ++i)
        {
            auto& c = connections[i];
            short ev = fds[i + 2].revents;
            if (c.drop || ev == 0)
                continue;
            if (ev & POLLOUT)
                WriteTo(c);
            else if (ev & (POLLIN | POLLHUP | POLLERR))
                ReadFrom(s, c);
        }
        if (r > 0 && (fds[1].revents & POLLIN))
            AcceptAll(listenFd, connections, nextId);

        auto now = Clock::now();
        std::erase_if(connections,
                      [&](const Connection& c)
                      {
                          if (c.drop)
                              return true;
                          // A sender that has closed is done; a requester that has closed no longer waits for
                          // its answer.
                          if (c.eof && !c.Writing())
                              return true;
                          auto d = c.Deadline();
                          return d && now >= *d;
                      });
    }
}

} // namespace

namespace
{

WindowList OwnListLocked(const State& s)
{
    WindowList list;
    list.pid = s.pid;
    list.startTime = s.startTime;
    list.windows = s.windows;
    return list;
}

bool ListenLocked(State& s)
{
    if (s.listening)
        return true;
    fs::path dir = StationDir();
    if (dir.empty())
        return false;
    uint32_t pid = static_cast<uint32_t>(::getpid());
    fs::path socketPath = SocketPath(dir, pid);
    SocketAddress address;
    if (!MakeAddress(socketPath, address))
        return false;
    UniqueFd listenFd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    UniqueFd wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!listenFd || !wakeFd)
        return false;
    ::unlink(socketPath.c_str()); // left by an earlier process that had this pid
    if (::bind(listenFd.get(), reinterpret_cast<const sockaddr*>(&address.addr), address.length) != 0)
        return false;
    // The folder is owner-only already; the socket is too, in case the folder's mode is ever widened.
    if (::chmod(socketPath.c_str(), 0600) != 0 || ::listen(listenFd.get(), 64) != 0)
    {
        ::unlink(socketPath.c_str());
        return false;
    }

    std::lock_guard guard(s.lock);
    s.dir = dir;
    s.pid = pid;
    s.startTime = ProcessStartTime(pid);
    s.windows.clear();
    // Published only once the socket accepts, so that whoever reads the list can connect.
    if (!WriteWindowList(dir, OwnListLocked(s)))
    {
        ::unlink(socketPath.c_str());
        return false;
    }
    EnsureReadyFdLocked(s);
    s.stop = false;
    try
    {
        s.reader = std::thread(ReaderLoop, std::ref(s), listenFd.get(), wakeFd.get());
    }
    catch (...)
    {
        ::unlink(socketPath.c_str());
        ::unlink(WindowListPath(dir, pid).c_str());
        return false;
    }
    s.listenFd = std::move(listenFd);
    s.wakeFd = std::move(wakeFd);
    s.listening = true;
    if (!s.atExitRegistered)
    {
        s.atExitRegistered = true;
        std::atexit([] { Shutdown(); });
    }
    return true;
}

} // namespace

uint32_t AllocateWindowHandle()
{
    try
    {
        fs::path dir = StationDir();
        if (dir.empty())
            return 0;
        return NextCounterValue(dir / "handles", kFirstHandle, kHandleLimit, kBroadcastHwnd).value_or(0);
    }
    catch (...)
    {
        return 0;
    }
}

bool Listen()
{
    try
    {
        State& s = S();
        std::lock_guard life(s.lifecycle);
        return ListenLocked(s);
    }
    catch (...)
    {
        return false;
    }
}

bool PublishWindow(uint32_t hwnd, std::u16string_view title)
{
    if (hwnd == 0 || hwnd == kBroadcastHwnd)
        return false;
    try
    {
        State& s = S();
        std::lock_guard life(s.lifecycle);
        if (!ListenLocked(s))
            return false;
        std::lock_guard guard(s.lock);
        auto it = std::find_if(s.windows.begin(), s.windows.end(),
                               [&](const PublishedWindow& w) { return w.hwnd == hwnd; });
        if (it != s.windows.end())
            it->title.assign(title);
        else
            s.windows.push_back({hwnd, MonotonicNs(), std::u16string(title)});
        return WriteWindowList(s.dir, OwnListLocked(s));
    }
    catch (...)
    {
        return false;
    }
}

void UnpublishWindow(uint32_t hwnd)
{
    try
    {
        State& s = S();
        std::lock_guard life(s.lifecycle);
        std::lock_guard guard(s.lock);
        auto removed = std::erase_if(s.windows, [&](const PublishedWindow& w) { return w.hwnd == hwnd; });
        if (removed && s.listening)
            WriteWindowList(s.dir, OwnListLocked(s));
    }
    catch (...)
    {
    }
}

namespace
{

struct OrderedEntry
{
    uint64_t order;
    WindowEntry entry;
};

std::vector<OrderedEntry> AllWindows()
{
    State& s = S();
    std::vector<OrderedEntry> all;
    uint32_t self = static_cast<uint32_t>(::getpid());
    {
        std::lock_guard guard(s.lock);
        if (s.listening)
            for (const auto& w : s.windows)
                all.push_back({w.order, {w.hwnd, s.pid, w.title}});
    }
    for (auto& list : LiveWindowLists(StationDir(), self))
        for (auto& w : list.windows)
            all.push_back({w.order, {w.hwnd, list.pid, std::move(w.title)}});
    std::stable_sort(all.begin(), all.end(),
                     [](const OrderedEntry& a, const OrderedEntry& b)
                     { return a.order != b.order ? a.order < b.order : a.entry.pid < b.entry.pid; });
    return all;
}

} // namespace

std::vector<WindowEntry> ListWindows()
{
    try
    {
        std::vector<WindowEntry> out;
        for (auto& e : AllWindows())
            out.push_back(std::move(e.entry));
        return out;
    }
    catch (...)
    {
        return {};
    }
}

uint32_t FindWindowByTitle(std::u16string_view title)
{
    try
    {
        for (const auto& e : AllWindows())
            if (e.entry.title == title)
                return e.entry.hwnd;
    }
    catch (...)
    {
    }
    return 0;
}

uint32_t WindowProcess(uint32_t hwnd)
{
    if (hwnd == 0 || hwnd == kBroadcastHwnd)
        return 0;
    try
    {
        State& s = S();
        {
            std::lock_guard guard(s.lock);
            if (s.listening)
                for (const auto& w : s.windows)
                    if (w.hwnd == hwnd)
                        return s.pid;
        }
        for (const auto& list : LiveWindowLists(StationDir(), static_cast<uint32_t>(::getpid())))
            for (const auto& w : list.windows)
                if (w.hwnd == hwnd)
                    return list.pid;
    }
    catch (...)
    {
    }
    return 0;
}

bool PostToWindow(const Message& message)
{
    if (message.hwnd == kBroadcastHwnd)
    {
        Broadcast(message);
        return true;
    }
    if (message.hwnd == 0 || message.payload.size() > wire::kMaxMessagePayload)
        return false;
    try
    {
        State& s = S();
        {
            std::lock_guard guard(s.lock);
            if (s.listening)
                for (const auto& w : s.windows)
                    if (w.hwnd == message.hwnd)
                        return EnqueueLocked(s, {ToFrame(message, message.hwnd), s.pid, 0});
        }
        fs::path dir = StationDir();
        for (const auto& list : LiveWindowLists(dir, static_cast<uint32_t>(::getpid())))
            for (const auto& w : list.windows)
                if (w.hwnd == message.hwnd)
                    return SendRecord(dir, list.pid, Encode(ToFrame(message, message.hwnd)));
    }
    catch (...)
    {
    }
    return false;
}

int Broadcast(const Message& message, bool excludeSelf)
{
    if (message.payload.size() > wire::kMaxMessagePayload)
        return 0;
    try
    {
        State& s = S();
        Frame frame = ToFrame(message, kBroadcastHwnd);
        int reached = 0;
        if (!excludeSelf)
        {
            std::lock_guard guard(s.lock);
            if (s.listening && EnqueueLocked(s, {frame, s.pid, 0}))
                ++reached;
        }
        fs::path dir = StationDir();
        auto record = Encode(frame);
        for (const auto& list : LiveWindowLists(dir, static_cast<uint32_t>(::getpid())))
            if (SendRecord(dir, list.pid, record))
                ++reached;
        return reached;
    }
    catch (...)
    {
        return 0;
    }
}

int ReceiveFd()
{
    try
    {
        State& s = S();
        std::lock_guard guard(s.lock);
        EnsureReadyFdLocked(s);
        return s.readyFd.get();
    }
    catch (...)
    {
        return -1;
    }
}

void SetMessageHandler(MessageHandler handler)
{
    State& s = S();
    std::lock_guard guard(s.lock);
    s.onMessage = std::move(handler);
}

void SetRequestHandler(RequestHandler handler)
{
    State& s = S();
    std::lock_guard guard(s.lock);
    s.onRequest = std::move(handler);
}

void Dispatch()
{
    try
    {
        State& s = S();
        size_t budget;
        {
            std::lock_guard guard(s.lock);
            Drain(s.readyFd.get());
            budget = s.queue.size();
        }
        // Only what had arrived when Dispatch began, so that a handler posting to its own window cannot
        // keep this loop running; a nested Dispatch() takes its share from the same queue.
        for (; budget > 0; --budget)
        {
            Arrival a;
            MessageHandler onMessage;
            RequestHandler onRequest;
            {
                std::lock_guard guard(s.lock);
                if (s.queue.empty())
                    break;
                a = std::move(s.queue.front());
                s.queue.pop_front();
                s.queuedBytes -= a.frame.payload.size() + wire::kHeaderSize;
                if (a.frame.kind == wire::Kind::Request)
                    onRequest = s.onRequest;
                else
                    onMessage = s.onMessage;
            }
            if (a.frame.kind != wire::Kind::Request)
            {
                if (onMessage)
                {
                    try
                    {
                        onMessage(ToMessage(a));
                    }
                    catch (...)
                    {
                    }
                }
                continue;
            }
            Reply reply{a.connection, a.frame.requestId, std::nullopt};
            if (onRequest)
            {
                try
                {
                    reply.answer = onRequest(a.frame.payload);
                    if (reply.answer->size() > wire::kMaxRequestPayload)
                        reply.answer.reset();
                }
                catch (...)
                {
                    reply.answer.reset();
                }
            }
            std::lock_guard guard(s.lock);
            if (s.listening)
            {
                s.replies.push_back(std::move(reply));
                Signal(s.wakeFd.get());
            }
        }
        std::lock_guard guard(s.lock);
        if (!s.queue.empty())
            Signal(s.readyFd.get());
    }
    catch (...)
    {
    }
}

std::optional<std::vector<uint8_t>> Request(uint32_t pid, const std::vector<uint8_t>& request, int timeoutMs)
{
    if (request.size() > wire::kMaxRequestPayload)
        return std::nullopt;
    try
    {
        auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
        State& s = S();
        fs::path dir;
        {
            std::lock_guard guard(s.lock);
            if (s.listening && s.pid == pid)
                dir = s.dir;
        }
        if (dir.empty())
        {
            dir = StationDir();
            auto lists = LiveWindowLists(dir, static_cast<uint32_t>(::getpid()));
            if (std::none_of(lists.begin(), lists.end(), [&](const WindowList& l) { return l.pid == pid; }))
                return std::nullopt;
        }
        UniqueFd fd = Connect(dir, pid, deadline);
        if (!fd)
            return std::nullopt;
        static std::atomic<uint32_t> s_nextId{1};
        Frame frame;
        frame.kind = wire::Kind::Request;
        frame.requestId = s_nextId++;
        frame.payload = request;
        if (!SendAll(fd.get(), Encode(frame), deadline))
            return std::nullopt;
        FrameReader reader(FrameReader::Accept(wire::Kind::Answer));
        std::vector<uint8_t> chunk(kReadChunk);
        for (;;)
        {
            Frame answer;
            auto status = reader.Next(answer);
            if (status == FrameReader::Status::Bad)
                return std::nullopt;
            if (status == FrameReader::Status::Complete)
            {
                if (answer.requestId == frame.requestId)
                    return std::move(answer.payload);
                continue;
            }
            if (!WaitFor(fd.get(), POLLIN, deadline))
                return std::nullopt;
            ssize_t n = ::recv(fd.get(), chunk.data(), chunk.size(), MSG_DONTWAIT);
            if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
                continue;
            if (n <= 0)
                return std::nullopt;
            reader.Append(chunk.data(), static_cast<size_t>(n));
        }
    }
    catch (...)
    {
        return std::nullopt;
    }
}

void Shutdown()
{
    if (g_stateGone)
        return;
    try
    {
        State& s = S();
        std::lock_guard life(s.lifecycle);
        std::thread reader;
        {
            std::lock_guard guard(s.lock);
            if (!s.listening)
                return;
            s.stop = true;
            Signal(s.wakeFd.get());
            reader = std::move(s.reader);
        }
        if (reader.joinable())
            reader.join();
        std::lock_guard guard(s.lock);
        ::unlink(SocketPath(s.dir, s.pid).c_str());
        ::unlink(WindowListPath(s.dir, s.pid).c_str());
        s.listenFd.reset();
        s.wakeFd.reset();
        s.listening = false;
        s.windows.clear();
        s.queue.clear();
        s.queuedBytes = 0;
        s.replies.clear();
        s.dir.clear();
        Drain(s.readyFd.get());
    }
    catch (...)
    {
    }
}

} // namespace ce::winstation
