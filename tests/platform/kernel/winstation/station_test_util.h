// Helpers shared by the window-station tests: receiving in this process, and speaking the connection
// records directly (built here byte by byte, independently of the platform's encoder).
#pragma once

#include <kernel/handheld.h>
#include <kernel/winstation.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace station_test
{

namespace ws = ce::winstation;

// Dispatches until `count` messages have arrived or `timeout` has passed; returns what arrived.
std::vector<ws::Message> Receive(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(3));

std::filesystem::path StationDir();
std::filesystem::path SocketOf(uint32_t pid);

struct RawRecord
{
    uint32_t magic = ws::wire::kMagic;
    uint16_t version = ws::wire::kVersion;
    uint16_t kind = 1;
    uint32_t hwnd = 0;
    uint32_t message = 0;
    uint64_t wParam = 0;
    int64_t lParam = 0;
    std::vector<uint8_t> payload;
    std::optional<uint32_t> declaredLength; // instead of the payload's size
    uint32_t requestId = 0;
};
std::vector<uint8_t> Bytes(const RawRecord& record);

// A client connection to a socket of the window station; -1 on failure. Closed by the caller.
int ConnectRaw(const std::filesystem::path& socket);
bool WriteRaw(int fd, const std::vector<uint8_t>& bytes);

std::string Hex(const std::vector<uint8_t>& bytes);

// A device-change header for a port (DEV_BROADCAST_PORT): size, type 3, reserved, then the name in
// UTF-16, padded to `size` bytes.
std::vector<uint8_t> PortHeader(std::u16string_view name, uint32_t size);

} // namespace station_test
