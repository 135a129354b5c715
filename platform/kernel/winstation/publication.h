// The window lists that processes publish in the runtime folder, the handle counter, and the liveness
// check that lets a reader ignore and clean up what a dead process left behind.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ce::winstation::detail
{

// RuntimeDir()/ws, created owner-only; empty when it cannot be created.
std::filesystem::path StationDir();

std::filesystem::path WindowListPath(const std::filesystem::path& dir, uint32_t pid);
std::filesystem::path SocketPath(const std::filesystem::path& dir, uint32_t pid);

// The start time of a process in clock ticks since boot (field 22 of /proc/<pid>/stat); 0 if unknown.
uint64_t ProcessStartTime(uint32_t pid);

// True while the process that wrote a window list with this pid and start time still runs. A zombie
// counts as dead (it no longer accepts connections); so does another process that got the same pid.
bool ProcessAlive(uint32_t pid, uint64_t startTime);

struct PublishedWindow
{
    uint32_t hwnd = 0;
    uint64_t order = 0; // publication time, CLOCK_MONOTONIC in ns: one clock for all processes
    std::u16string title;
};

struct WindowList
{
    uint32_t pid = 0;
    uint64_t startTime = 0;
    std::vector<PublishedWindow> windows;
};

std::string FormatWindowList(const WindowList& list);
// nullopt when the text is not a window list; lines that do not parse are skipped.
std::optional<WindowList> ParseWindowList(std::string_view text);

// Writes the list to a temporary file and renames it over <pid>.windows, so readers see the old or the
// new list, never a part.
bool WriteWindowList(const std::filesystem::path& dir, const WindowList& list);

// The window lists of live processes other than `self`. Lists and sockets left by dead processes are
// removed on the way.
std::vector<WindowList> LiveWindowLists(const std::filesystem::path& dir, uint32_t self);

// The next value of the counter in `file` (created at `first`), taken under an exclusive lock; values in
// `skip` are passed over. nullopt on an I/O error or when the next value would reach `limit`.
std::optional<uint32_t> NextCounterValue(const std::filesystem::path& file, uint32_t first, uint32_t limit,
                                         uint32_t skip);

uint64_t MonotonicNs();

} // namespace ce::winstation::detail
