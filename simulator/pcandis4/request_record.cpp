#include "request_record.h"

#include <simcore/bytes.h>

#include <cstring>

namespace pca
{

std::optional<RequestRecord> ReadRecord(const uint8_t* record)
{
    RequestRecord r;
    std::memcpy(r.bytes.data(), record, kRecordSize);
    const uint8_t* b = r.bytes.data();
    bool terminated = false;
    for (size_t i = 0; i < 32; ++i)
    {
        const char16_t c = static_cast<char16_t>(sim::GetU16(b + offset::EventName + 2 * i));
        if (c == 0)
        {
            terminated = true;
            break;
        }
        r.eventName += c;
    }
    const uint32_t type = sim::GetU32(b + offset::RequestType);
    if (!terminated || type > 1)
        return std::nullopt;
    r.set = type == 1;
    r.oid = sim::GetU32(b + offset::Oid);
    r.length = sim::GetU32(b + offset::BufferLength);
    uint64_t address = sim::GetU32(b + offset::BufferLow);
    if constexpr (sizeof(void*) == 8)
        address |= static_cast<uint64_t>(sim::GetU32(b + offset::BufferHigh)) << 32;
    r.buffer = reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(address));
    return r;
}

void WriteSubmitStatus(uint8_t* record, uint32_t status)
{
    sim::PutU32(record + offset::SubmitStatus, status);
}

void WriteCompletion(uint8_t* record, uint32_t ndisStatus, uint32_t bytesDone, uint32_t bytesNeeded)
{
    sim::PutU32(record + offset::NdisStatus, ndisStatus);
    sim::PutU32(record + offset::BytesDone, bytesDone);
    sim::PutU32(record + offset::BytesNeeded, bytesNeeded);
}

} // namespace pca
