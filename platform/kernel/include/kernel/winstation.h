// The window station of the handheld: which process owns which top-level window, and the transport that
// carries posted messages, broadcasts and automation requests between processes. No window system here:
// platform/gwes plugs the receiving side into its event loop; command-line tools only send.
//
// Every process that owns top-level windows publishes them (handle, title) in the runtime folder and
// listens on its own socket there. Window handles are allocated handheld-wide, so a handle names one
// window in every process. Entries of processes that died are ignored and cleaned up. The runtime folder
// and the sockets are owner-only, and a connection from another user is dropped.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ce::winstation
{

struct Message
{
    uint32_t hwnd = 0; // target window, or 0xFFFF for a broadcast
    uint32_t message = 0;
    uint64_t wParam = 0;
    int64_t lParam = 0;
    // A copy of the memory lParam points to (the device-change header); empty when lParam is a value.
    std::vector<uint8_t> payload;
    uint32_t senderPid = 0; // filled in by the receiving side
};

struct WindowEntry
{
    uint32_t hwnd = 0;
    uint32_t pid = 0;
    std::u16string title;
};

// A new window handle value, unique across the processes of the handheld (small, non-zero, < 2^31).
uint32_t AllocateWindowHandle();

// Publishes or updates one top-level window of this process, and starts listening if needed.
void PublishWindow(uint32_t hwnd, std::u16string_view title);
void UnpublishWindow(uint32_t hwnd);

// Top-level windows of live processes, in publication order.
std::vector<WindowEntry> ListWindows();
// The first window of a live process whose title is exactly `title`; 0 when there is none.
uint32_t FindWindowByTitle(std::u16string_view title);
// The process that owns a published window; 0 when none.
uint32_t WindowProcess(uint32_t hwnd);

// Queues a message for a window of any process (this one included). False when no live process owns it.
bool PostToWindow(const Message& message);
// Queues a message for every live process that listens (this one included unless excludeSelf).
// Returns the number of processes reached.
int Broadcast(const Message& message, bool excludeSelf = false);

// Receiving side. Listen() makes this process reachable (PublishWindow does it too). ReceiveFd() is a
// descriptor that becomes readable when something arrived; Dispatch() then handles all that arrived:
// messages go to the message handler, requests to the request handler whose answer is sent back.
bool Listen();
int ReceiveFd();
using MessageHandler = std::function<void(const Message&)>;
using RequestHandler = std::function<std::vector<uint8_t>(const std::vector<uint8_t>& request)>;
void SetMessageHandler(MessageHandler handler);
void SetRequestHandler(RequestHandler handler);
void Dispatch();

// Sends a request to a process and waits at most timeoutMs for its answer (automation).
std::optional<std::vector<uint8_t>> Request(uint32_t pid, const std::vector<uint8_t>& request, int timeoutMs);

// Stops listening and withdraws this process's windows (also done at exit).
void Shutdown();

} // namespace ce::winstation
