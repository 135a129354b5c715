// Host files inside the platform: the one place that opens them, and whole reads and writes that go on
// through signals and short transfers. The handheld's own files are opened through OpenHandheldFile
// (kernel/handheld.h), which adds what keeps them the owner's alone.
#pragma once

#include <kernel/unique_fd.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace ce
{

// open(2) with O_CLOEXEC and O_NOCTTY, taken again when a signal interrupts it. An empty descriptor with
// errno set on failure.
UniqueFd OpenHostFile(const char* path, int flags, mode_t mode = 0);

// Everything from the descriptor's position to its end. nullopt with errno set on a read error, or with
// EFBIG when there is more than `limit` bytes.
std::optional<std::string> ReadAll(int fd, std::size_t limit);

// Writes all of `data` from the descriptor's position; false with errno set when it cannot.
bool WriteAll(int fd, std::string_view data);

} // namespace ce
