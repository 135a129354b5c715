// The window station of the handheld: which process owns which top-level window, and the transport that
// carries posted messages, broadcasts and automation requests between processes. No window system here:
// platform/gwes plugs the receiving side into its event loop; command-line tools only send.
//
// Every process that owns top-level windows publishes them (handle, title) in the runtime folder and
// listens on its own socket there. Window handles are allocated handheld-wide, so a handle names one
// window in every process. Entries of processes that died are ignored and cleaned up. The runtime folder
// and the sockets are owner-only, and a connection from another user is dropped.
//
// Files, all under RuntimeDir()/ws (0700):
//   handles        the handle counter, incremented under an exclusive flock
//   <pid>.windows  a listening process: its start time and its published windows, replaced atomically
//   <pid>.sock     the process's listening Unix stream socket (0600)
//
// All calls are thread-safe and none throws. Messages, broadcasts and requests that arrive are held until
// the receiving process calls Dispatch(), on the thread that calls it; nothing is delivered synchronously,
// not even a message a process posts to its own window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ce::winstation
{

inline constexpr uint32_t kBroadcastHwnd = 0xFFFF; // HWND_BROADCAST

struct Message
{
    uint32_t hwnd = 0; // target window, or 0xFFFF for a broadcast
    uint32_t message = 0;
    uint64_t wParam = 0;
    int64_t lParam = 0;
    // A copy of the memory lParam points to (the device-change header); empty when lParam is a value.
    std::vector<uint8_t> payload;
    uint32_t senderPid = 0; // filled in by the receiving side (from the connection's credentials)
};

struct WindowEntry
{
    uint32_t hwnd = 0;
    uint32_t pid = 0;
    std::u16string title;
};

// A new window handle value, unique across the processes of the handheld for the life of its folder:
// counts up from 0x10000, never 0xFFFF, always < 2^31. 0 when the counter cannot be read or written.
uint32_t AllocateWindowHandle();

// Publishes or updates one top-level window of this process, and starts listening if needed. False when
// the process cannot listen or its window list cannot be written.
bool PublishWindow(uint32_t hwnd, std::u16string_view title);
void UnpublishWindow(uint32_t hwnd);

// Top-level windows of live processes, in publication order (a title change keeps the place).
std::vector<WindowEntry> ListWindows();
// The first window of a live process whose title is exactly `title` (case-sensitive); 0 when none.
uint32_t FindWindowByTitle(std::u16string_view title);
// The process that owns a published window; 0 when none.
uint32_t WindowProcess(uint32_t hwnd);

// Queues a message for a window of any process (this one included). False when no live process owns it,
// the payload is too large, or it could not be written. Returns once the message is written; it does not
// wait for the receiver to handle it. A message for 0xFFFF is broadcast (true even if nobody listens).
bool PostToWindow(const Message& message);
// Queues a message (hwnd set to 0xFFFF) for every live process that listens (this one included unless
// excludeSelf). Returns the number of processes reached.
int Broadcast(const Message& message, bool excludeSelf = false);

// Receiving side. Listen() makes this process reachable (PublishWindow does it too). ReceiveFd() is a
// descriptor that becomes readable when something arrived; it stays the same descriptor for the life of
// the process, across Shutdown() and a new Listen(). Dispatch() then handles all that had arrived:
// messages go to the message handler, requests to the request handler whose answer is sent back. A
// handler may call Dispatch() again (nested message loops). Without a request handler a request is
// refused (the requester gets no answer at once rather than a time-out).
bool Listen();
int ReceiveFd();
using MessageHandler = std::function<void(const Message&)>;
using RequestHandler = std::function<std::vector<uint8_t>(const std::vector<uint8_t>& request)>;
void SetMessageHandler(MessageHandler handler);
void SetRequestHandler(RequestHandler handler);
void Dispatch();

// Sends a request to a process and waits at most timeoutMs for its answer (automation). nullopt on
// time-out, when the process is not alive or not listening, or on any transport error.
std::optional<std::vector<uint8_t>> Request(uint32_t pid, const std::vector<uint8_t>& request, int timeoutMs);

// Stops listening and withdraws this process's windows (also done at exit and when the handheld is
// reset). Safe to call twice; Listen() may be called again afterwards.
void Shutdown();

// The records on a window-station connection, for tools and tests that speak it directly. Each is a
// 40-byte header, all fields little-endian, followed by the payload:
//   offset  0  u32  magic 0x53574E51 ("QNWS" in byte order)
//           4  u16  version (1)
//           6  u16  kind: 1 message, 2 request, 3 answer
//           8  u32  hwnd (messages)
//          12  u32  message
//          16  u64  wParam
//          24  i64  lParam
//          32  u32  payload length
//          36  u32  request id (requests and their answers; 0 for messages)
//          40       payload
// A sender connects, writes one or more records and closes; a requester keeps the connection open until
// the answer with its request id has arrived. A record with a bad magic, version or kind, or with a length
// above its kind's limit, ends the connection; so does a record left unfinished for two seconds.
namespace wire
{
inline constexpr uint32_t kMagic = 0x53574E51;
inline constexpr uint16_t kVersion = 1;
enum class Kind : uint16_t
{
    Message = 1,
    Request = 2,
    Answer = 3,
};
inline constexpr size_t kHeaderSize = 40;
inline constexpr size_t kOffsetVersion = 4;
inline constexpr size_t kOffsetKind = 6;
inline constexpr size_t kOffsetHwnd = 8;
inline constexpr size_t kOffsetMessage = 12;
inline constexpr size_t kOffsetWParam = 16;
inline constexpr size_t kOffsetLParam = 24;
inline constexpr size_t kOffsetLength = 32;
inline constexpr size_t kOffsetRequestId = 36;
static_assert(kOffsetRequestId + 4 == kHeaderSize);
inline constexpr size_t kMaxMessagePayload = 64 * 1024;
inline constexpr size_t kMaxRequestPayload = 4 * 1024 * 1024; // requests and answers
} // namespace wire

} // namespace ce::winstation
