// Encoding and incremental decoding of the records on a window-station connection (layout in
// <kernel/winstation.h>, namespace wire).
#pragma once

#include <kernel/winstation.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ce::winstation::detail
{

struct Frame
{
    wire::Kind kind = wire::Kind::Message;
    uint32_t hwnd = 0;
    uint32_t message = 0;
    uint64_t wParam = 0;
    int64_t lParam = 0;
    uint32_t requestId = 0;
    std::vector<uint8_t> payload;
};

// The largest payload a record of this kind may carry.
size_t MaxPayload(wire::Kind kind);

// The record's bytes. The payload must not exceed MaxPayload(kind).
std::vector<uint8_t> Encode(const Frame& frame);

// Collects the bytes of one connection and cuts them into records. A header is judged as soon as it is
// complete, so a record announcing a huge length is refused before any of its payload is read.
class FrameReader
{
public:
    enum class Status
    {
        NeedMore, // no complete record yet
        Complete, // one record taken out
        Bad,      // malformed: the connection must be dropped
    };

    // Only records of the kinds in `accepted` (a bit per kind value) pass.
    explicit FrameReader(unsigned accepted) : m_accepted(accepted) {}

    void Append(const uint8_t* data, size_t size);
    Status Next(Frame& out);
    // Bytes of an unfinished record are waiting.
    bool HasPartial() const { return m_buffer.size() > m_start; }

    static constexpr unsigned Accept(wire::Kind kind) { return 1u << static_cast<unsigned>(kind); }

private:
    unsigned m_accepted;
    std::vector<uint8_t> m_buffer;
    size_t m_start = 0; // first byte of the next record in m_buffer
    bool m_bad = false;
};

} // namespace ce::winstation::detail
