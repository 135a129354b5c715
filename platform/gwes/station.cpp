// The window station on the event loop: top-level windows are published with their titles, messages and
// broadcasts from other processes arrive through a socket notifier, posted messages reach the windows of
// other processes, and registered message numbers are shared by every process of the handheld.
#include "host.h"

#include <kernel/handheld.h>
#include <kernel/host_files.h>
#include <kernel/immortal.h>
#include <kernel/registry.h>
#include <kernel/unique_fd.h>
#include <kernel/winstation.h>

#include <gwes/shell.h>

#include <QSocketNotifier>

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <mutex>
#include <sstream>

namespace gwes
{
namespace
{

QSocketNotifier* g_notifier = nullptr;

constexpr uint32_t kMaxPayload = 4096;

// Device-change events whose lParam points at a broadcast header (DEV_BROADCAST_HDR: size first).
bool CarriesHeader(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return msg == WM_DEVICECHANGE && wParam >= 0x8000 && wParam <= 0x8006 && lParam != 0;
}

// A copy of the header lParam points at; null when it is malformed.
std::shared_ptr<std::vector<uint8_t>> CopyHeader(LPARAM lParam)
{
    auto p = reinterpret_cast<const uint8_t*>(lParam);
    uint32_t size = 0;
    std::memcpy(&size, p, sizeof size);
    if (size < 12 || size > kMaxPayload)
        return nullptr;
    return std::make_shared<std::vector<uint8_t>>(p, p + size);
}

void Received(const ce::winstation::Message& m)
{
    std::shared_ptr<std::vector<uint8_t>> payload;
    if (!m.payload.empty())
        payload = std::make_shared<std::vector<uint8_t>>(m.payload);
    auto wParam = static_cast<WPARAM>(m.wParam);
    auto lParam = static_cast<LPARAM>(m.lParam);
    if (m.message == WM_DEVICECHANGE && wParam >= 0x8000 && wParam <= 0x8006)
    {
        // A device event points at its header: it must have come whole with the message. A bare lParam
        // would be an address in the other process.
        if (payload)
        {
            uint32_t size = 0;
            if (payload->size() >= sizeof size)
                std::memcpy(&size, payload->data(), sizeof size);
            if (size < 12 || size > payload->size())
                return;
        }
        else if (lParam != 0)
        {
            return;
        }
    }
    if (m.hwnd == ce::winstation::kBroadcastHwnd)
    {
        // Every top-level window of this process gets it; they share one copy of the payload.
        for (HWND h : AllTopLevel())
            if (Window* w = Get(h); w && !w->destroying)
                PostLocal(h, m.message, wParam, lParam, payload);
        return;
    }
    HWND target = reinterpret_cast<HWND>(static_cast<uintptr_t>(m.hwnd));
    if (Get(target))
        PostLocal(target, m.message, wParam, lParam, payload);
}

ce::winstation::Message ToStation(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                  const std::shared_ptr<std::vector<uint8_t>>& payload)
{
    ce::winstation::Message m;
    m.hwnd = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hWnd));
    m.message = msg;
    m.wParam = wParam;
    m.lParam = payload ? 0 : lParam;
    if (payload)
        m.payload = *payload;
    return m;
}

} // namespace

void StartStation()
{
    if (g_notifier || !OnGuiThread())
        return;
    if (!ce::winstation::Listen())
        return;
    int fd = ce::winstation::ReceiveFd();
    if (fd < 0)
        return;
    ce::winstation::SetMessageHandler(Received);
    ce::winstation::SetRequestHandler(AutomationRequest);
    g_notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
    QObject::connect(g_notifier, &QSocketNotifier::activated, [] { ce::winstation::Dispatch(); });
}

BOOL CheckHandheld()
{
    std::string problem;
    if (ce::OpenRegistry(problem) == ERROR_SUCCESS && ce::CheckRuntimeDir(problem))
    {
        if (ce::winstation::Listen())
            return TRUE;
        problem = "the window station cannot listen in " + (ce::RuntimeDir() / "ws").string();
    }
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, problem.c_str());
    return FALSE;
}

void StopStation()
{
    delete g_notifier;
    g_notifier = nullptr;
    ce::winstation::SetMessageHandler(nullptr);
    ce::winstation::SetRequestHandler(nullptr);
}

void PublishTopLevel(Window& w)
{
    StartStation();
    ce::winstation::PublishWindow(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(w.hwnd)), w.text);
    w.published = true;
}

void UnpublishTopLevel(Window& w)
{
    ce::winstation::UnpublishWindow(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(w.hwnd)));
    w.published = false;
}

bool BroadcastRemote(UINT msg, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<std::vector<uint8_t>> payload;
    if (CarriesHeader(msg, wParam, lParam))
    {
        payload = CopyHeader(lParam);
        if (!payload)
            return false;
    }
    ce::winstation::Broadcast(ToStation(HWND_BROADCAST, msg, wParam, lParam, payload), true);
    return true;
}

} // namespace gwes

using namespace gwes;

BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    // A device-change header travels as a copy, so the sender may free its own at once.
    std::shared_ptr<std::vector<uint8_t>> payload;
    if (CarriesHeader(Msg, wParam, lParam))
    {
        payload = CopyHeader(lParam);
        if (!payload)
        {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
    }
    if (hWnd == HWND_BROADCAST)
    {
        // Tools without windows only send to the other processes.
        for (HWND h : AllTopLevel())
            if (Window* w = Get(h); w && !w->destroying)
                PostLocal(h, Msg, wParam, lParam, payload);
        ce::winstation::Broadcast(ToStation(hWnd, Msg, wParam, lParam, payload), true);
        return TRUE;
    }
    if (!hWnd)
        return PostThreadMessageW(GetCurrentThreadId(), Msg, wParam, lParam);
    if (Get(hWnd))
        return PostLocal(hWnd, Msg, wParam, lParam, std::move(payload)) ? TRUE : FALSE;
    uint32_t value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hWnd));
    if (reinterpret_cast<uintptr_t>(hWnd) <= 0xFFFFFFFFu && ce::winstation::WindowProcess(value) != 0 &&
        ce::winstation::PostToWindow(ToStation(hWnd, Msg, wParam, lParam, payload)))
        return TRUE;
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
}

namespace
{

std::u16string Upper(std::u16string_view s)
{
    std::u16string u(s);
    for (auto& c : u)
        c = static_cast<char16_t>(towupper(c));
    return u;
}

// Names registered by the processes of the handheld, one per line (UTF-8) in the runtime folder; line n
// has the number 0xC000 + n. The file is read and extended under an exclusive lock.
UINT RegisterInAtomFile(const std::u16string& upper)
{
    std::string name = ToQString(upper).toStdString();
    if (name.find('\n') != std::string::npos)
        return 0;
    const std::filesystem::path run = ce::RuntimeDir();
    if (run.empty())
        return 0;
    ce::UniqueFd fd = ce::OpenHandheldFile(run / "atoms", O_RDWR | O_CREAT);
    if (!fd || ce::Flock(fd.get(), LOCK_EX) != 0)
        return 0; // closing the descriptor lets go of the lock
    constexpr size_t kMaxAtomFile = 16 << 20;
    std::optional<std::string> content = ce::ReadAll(fd.get(), kMaxAtomFile);
    if (!content)
        return 0;
    std::istringstream lines(*content);
    std::string line;
    UINT index = 0;
    while (std::getline(lines, line))
    {
        if (line == name)
            return 0xC000 + index;
        ++index;
    }
    if (index >= 0x3FFF)
        return 0;
    if (!ce::WriteAll(fd.get(), name + "\n"))
        return 0;
    return 0xC000 + index;
}

// The numbers this process has registered, forgotten when the handheld is reset.
struct AtomCache
{
    AtomCache()
    {
        ce::AddHandheldResetHook(
            []
            {
                std::lock_guard lock(Atoms().lock);
                Atoms().numbers.clear();
            });
    }
    static AtomCache& Atoms()
    {
        static ce::Immortal<AtomCache> cache;
        return cache.get();
    }

    std::mutex lock;
    std::map<std::u16string, UINT> numbers;
};

} // namespace

UINT RegisterWindowMessageW(LPCWSTR lpString)
{
    if (!lpString || !*lpString)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string upper = Upper(lpString);
    AtomCache& cache = AtomCache::Atoms();
    std::lock_guard lock(cache.lock);
    auto it = cache.numbers.find(upper);
    if (it != cache.numbers.end())
        return it->second;
    UINT number = RegisterInAtomFile(upper);
    if (!number)
    {
        // The runtime folder is unusable: a number from the name itself, the same in every process.
        uint32_t h = 2166136261u;
        for (char16_t c : upper)
            h = (h ^ c) * 16777619u;
        number = 0xC000 + h % 0x3FFF;
    }
    cache.numbers.emplace(upper, number);
    return number;
}
