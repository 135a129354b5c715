#include "publication.h"

#include <kernel/unique_fd.h>

#include <kernel/handheld.h>
#include <kernel/host_files.h>
#include <kernel/text.h>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace ce::winstation::detail
{
namespace
{

constexpr std::string_view kListHeader = "qn40-winstation-windows 1";
constexpr size_t kMaxListFile = 1024 * 1024;

// Reads a small file whole, not through a symbolic link; nullopt when it cannot be opened or exceeds
// `limit`.
std::optional<std::string> ReadSmallFile(const fs::path& path, size_t limit)
{
    UniqueFd fd = OpenHostFile(path.c_str(), O_RDONLY | O_NOFOLLOW);
    if (!fd)
        return std::nullopt;
    return ReadAll(fd.get(), limit);
}

template <typename T> bool ParseNumber(std::string_view text, T& out)
{
    if (text.empty())
        return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

// "<digits><suffix>" → the pid, or 0.
uint32_t PidOfName(std::string_view name, std::string_view suffix)
{
    if (name.size() <= suffix.size() || name.substr(name.size() - suffix.size()) != suffix)
        return 0;
    uint32_t pid = 0;
    return ParseNumber(name.substr(0, name.size() - suffix.size()), pid) ? pid : 0;
}

std::vector<std::string_view> SplitWords(std::string_view line)
{
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size())
    {
        while (i < line.size() && line[i] == ' ')
            ++i;
        size_t j = i;
        while (j < line.size() && line[j] != ' ')
            ++j;
        if (j > i)
            words.push_back(line.substr(i, j - i));
        i = j;
    }
    return words;
}

// Titles are written as four hex digits per UTF-16 unit: any title survives, unpaired surrogates too,
// and the file stays one window per line. "-" is the empty title.
std::string TitleToHex(std::u16string_view title)
{
    if (title.empty())
        return "-";
    std::string out;
    out.reserve(title.size() * 4);
    for (char16_t c : title)
        for (int shift = 12; shift >= 0; shift -= 4)
            out.push_back(ce::text::kHexDigitsLower[(c >> shift) & 0xF]);
    return out;
}

std::optional<std::u16string> TitleFromHex(std::string_view hex)
{
    if (hex == "-")
        return std::u16string();
    if (hex.size() % 4 != 0)
        return std::nullopt;
    std::u16string title;
    for (size_t i = 0; i < hex.size(); i += 4)
    {
        uint16_t unit = 0;
        auto [end, ec] = std::from_chars(hex.data() + i, hex.data() + i + 4, unit, 16);
        if (ec != std::errc() || end != hex.data() + i + 4)
            return std::nullopt;
        title.push_back(static_cast<char16_t>(unit));
    }
    return title;
}

struct StatInfo
{
    char state = '?';
    uint64_t startTime = 0;
};

std::optional<StatInfo> ReadStat(uint32_t pid)
{
    auto text = ReadSmallFile("/proc/" + std::to_string(pid) + "/stat", 64 * 1024);
    if (!text)
        return std::nullopt;
    // "pid (comm) state ppid ...": comm may hold spaces and parentheses, so start after the last ')'.
    size_t close = text->rfind(')');
    if (close == std::string::npos)
        return std::nullopt;
    auto words = SplitWords(std::string_view(*text).substr(close + 1));
    // words[0] is field 3 (state), so field 22 (start time) is words[19].
    StatInfo info;
    if (words.size() < 20 || words[0].empty() || !ParseNumber(words[19], info.startTime))
        return std::nullopt;
    info.state = words[0][0];
    return info;
}

bool ProcMounted()
{
    static const bool mounted = ReadStat(static_cast<uint32_t>(::getpid())).has_value();
    return mounted;
}

void RemoveLeftovers(const fs::path& dir, uint32_t pid)
{
    std::error_code ec;
    fs::remove(SocketPath(dir, pid), ec);
    fs::remove(dir / (std::to_string(pid) + ".windows.tmp"), ec);
}

} // namespace

fs::path StationDir()
{
    fs::path run = ce::RuntimeDir();
    if (run.empty())
        return {};
    fs::path dir = run / "ws";
    return ce::MakeHandheldFolder(dir) == 0 ? dir : fs::path();
}

fs::path WindowListPath(const fs::path& dir, uint32_t pid)
{
    return dir / (std::to_string(pid) + ".windows");
}

fs::path SocketPath(const fs::path& dir, uint32_t pid)
{
    return dir / (std::to_string(pid) + ".sock");
}

uint64_t ProcessStartTime(uint32_t pid)
{
    auto info = ReadStat(pid);
    return info ? info->startTime : 0;
}

bool ProcessAlive(uint32_t pid, uint64_t startTime)
{
    if (pid == 0 || pid > static_cast<uint32_t>(INT32_MAX))
        return false;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)
        return false;
    auto info = ReadStat(pid);
    if (!info)
        return !ProcMounted(); // without /proc the signal test is all there is
    if (info->state == 'Z' || info->state == 'X')
        return false;
    return startTime == 0 || info->startTime == startTime;
}

std::string FormatWindowList(const WindowList& list)
{
    std::string text(kListHeader);
    text += "\nprocess " + std::to_string(list.pid) + " " + std::to_string(list.startTime) + "\n";
    for (const auto& w : list.windows)
        text += "window " + std::to_string(w.hwnd) + " " + std::to_string(w.order) + " " +
                TitleToHex(w.title) + "\n";
    return text;
}

std::optional<WindowList> ParseWindowList(std::string_view text)
{
    WindowList list;
    bool header = false;
    bool process = false;
    while (!text.empty())
    {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!header)
        {
            if (line != kListHeader)
                return std::nullopt;
            header = true;
            continue;
        }
        auto words = SplitWords(line);
        if (words.size() == 3 && words[0] == "process" && !process)
        {
            if (!ParseNumber(words[1], list.pid) || !ParseNumber(words[2], list.startTime))
                return std::nullopt;
            process = true;
        }
        else if (words.size() == 4 && words[0] == "window")
        {
            PublishedWindow w;
            auto title = TitleFromHex(words[3]);
            if (ParseNumber(words[1], w.hwnd) && ParseNumber(words[2], w.order) && title)
            {
                w.title = std::move(*title);
                list.windows.push_back(std::move(w));
            }
        }
    }
    if (!process)
        return std::nullopt;
    return list;
}

bool WriteWindowList(const fs::path& dir, const WindowList& list)
{
    fs::path target = WindowListPath(dir, list.pid);
    fs::path temp = dir / (std::to_string(list.pid) + ".windows.tmp");
    std::string text = FormatWindowList(list);
    {
        UniqueFd fd = ce::OpenHandheldFile(temp, O_WRONLY | O_CREAT | O_TRUNC);
        if (!fd)
            return false;
        if (!WriteAll(fd.get(), text))
        {
            ::unlink(temp.c_str());
            return false;
        }
    }
    if (::rename(temp.c_str(), target.c_str()) != 0)
    {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

std::vector<WindowList> LiveWindowLists(const fs::path& dir, uint32_t self)
{
    std::vector<WindowList> lists;
    if (dir.empty())
        return lists;
    std::error_code ec;
    fs::directory_iterator it(dir, ec), end;
    for (; !ec && it != end; it.increment(ec))
    {
        std::string name = it->path().filename().string();
        if (uint32_t pid = PidOfName(name, ".windows"))
        {
            if (pid == self)
                continue;
            auto text = ReadSmallFile(it->path(), kMaxListFile);
            if (!text)
                continue; // replaced or removed while we looked
            auto list = ParseWindowList(*text);
            uint64_t start = list ? list->startTime : 0;
            if (list && list->pid == pid && ProcessAlive(pid, start))
            {
                lists.push_back(std::move(*list));
                continue;
            }
            if (ProcessAlive(pid, start))
                continue; // a live process with a list we cannot read: leave it alone
            // Remove only what the dead process left: if the file changed meanwhile, a new process with
            // the same pid has taken the name.
            auto again = ReadSmallFile(it->path(), kMaxListFile);
            if (again && *again == *text)
            {
                fs::remove(it->path(), ec);
                RemoveLeftovers(dir, pid);
                ec.clear();
            }
        }
        else if (uint32_t sockPid = PidOfName(name, ".sock"); sockPid && sockPid != self)
        {
            if (!ProcessAlive(sockPid, 0))
                RemoveLeftovers(dir, sockPid);
        }
    }
    return lists;
}

std::optional<uint32_t> NextCounterValue(const fs::path& file, uint32_t first, uint32_t limit, uint32_t skip)
{
    UniqueFd fd = ce::OpenHandheldFile(file, O_RDWR | O_CREAT);
    if (!fd)
        return std::nullopt;
    if (Flock(fd.get(), LOCK_EX) != 0)
        return std::nullopt;
    char buffer[32];
    ssize_t n = ::pread(fd.get(), buffer, sizeof buffer, 0);
    if (n < 0)
        return std::nullopt;
    std::string_view text(buffer, static_cast<size_t>(n));
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.remove_suffix(1);
    uint64_t value = first;
    // A counter that does not read back is never restarted: that would hand out values again.
    if (!text.empty() && !ParseNumber(text, value))
        return std::nullopt;
    if (value < first)
        value = first;
    if (value == skip)
        ++value;
    if (value >= limit)
        return std::nullopt;
    std::string next = std::to_string(value + 1) + "\n";
    if (::pwrite(fd.get(), next.data(), next.size(), 0) != static_cast<ssize_t>(next.size()) ||
        ::ftruncate(fd.get(), static_cast<off_t>(next.size())) != 0)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

uint64_t MonotonicNs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
}

} // namespace ce::winstation::detail
