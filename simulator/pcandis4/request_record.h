// The request record a client hands to the protocol driver with the submit control code, read as explicit
// little-endian bytes. The client declares 116 bytes as the control code's input and output, but the
// record is 152 bytes long and the request block at offset 124 belongs to it: the driver reads all 152
// bytes through the pointer it is given and writes the block's results there.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace pca
{

inline constexpr DWORD kRecordSize = 152;
inline constexpr DWORD kDeclaredSize = 116;

namespace offset
{
inline constexpr size_t ProcessId = 0;
inline constexpr size_t ThreadId = 4;
inline constexpr size_t ControlHandle = 8;
inline constexpr size_t EventName = 12; // 32 UTF-16 units, 0-terminated
inline constexpr size_t EventHandle = 76;
inline constexpr size_t BufferHigh = 80; // high half of the buffer pointer on a 64-bit build
inline constexpr size_t SubmitStatus = 84;
inline constexpr size_t Block = 124;
inline constexpr size_t NdisStatus = Block + 0;
inline constexpr size_t RequestType = Block + 4;
inline constexpr size_t Oid = Block + 8;
inline constexpr size_t BufferLength = Block + 12;
inline constexpr size_t BufferLow = Block + 16;
inline constexpr size_t BytesDone = Block + 20;
inline constexpr size_t BytesNeeded = Block + 24;
} // namespace offset
static_assert(offset::BytesNeeded + 4 == kRecordSize);
static_assert(offset::SubmitStatus + 4 <= kDeclaredSize);

// What the driver takes from a record at submission.
struct RequestRecord
{
    std::array<uint8_t, kRecordSize> bytes{};
    std::u16string eventName;
    bool set = false;
    uint32_t oid = 0;
    uint32_t length = 0;
    uint8_t* buffer = nullptr;
};

// Reads the whole record; nothing when the event name is not terminated within its 32 units or the request
// type is neither query (0) nor set (1).
std::optional<RequestRecord> ReadRecord(const uint8_t* record);

void WriteSubmitStatus(uint8_t* record, uint32_t status);
void WriteCompletion(uint8_t* record, uint32_t ndisStatus, uint32_t bytesDone, uint32_t bytesNeeded);

} // namespace pca
