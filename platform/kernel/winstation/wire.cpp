#include "wire.h"

#include <algorithm>

namespace ce::winstation::detail
{
namespace
{

template <typename T> void Put(std::vector<uint8_t>& out, size_t offset, T value)
{
    auto v = static_cast<uint64_t>(value);
    for (size_t i = 0; i < sizeof(T); ++i)
        out[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

template <typename T> T Get(const uint8_t* in)
{
    uint64_t v = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        v |= static_cast<uint64_t>(in[i]) << (8 * i);
    return static_cast<T>(v);
}

bool KnownKind(uint16_t kind)
{
    return kind >= static_cast<uint16_t>(wire::Kind::Message) &&
           kind <= static_cast<uint16_t>(wire::Kind::Answer);
}

} // namespace

size_t MaxPayload(wire::Kind kind)
{
    return kind == wire::Kind::Message ? wire::kMaxMessagePayload : wire::kMaxRequestPayload;
}

std::vector<uint8_t> Encode(const Frame& frame)
{
    std::vector<uint8_t> out(wire::kHeaderSize + frame.payload.size());
    Put<uint32_t>(out, 0, wire::kMagic);
    Put<uint16_t>(out, wire::kOffsetVersion, wire::kVersion);
    Put<uint16_t>(out, wire::kOffsetKind, static_cast<uint16_t>(frame.kind));
    Put<uint32_t>(out, wire::kOffsetHwnd, frame.hwnd);
    Put<uint32_t>(out, wire::kOffsetMessage, frame.message);
    Put<uint64_t>(out, wire::kOffsetWParam, frame.wParam);
    Put<int64_t>(out, wire::kOffsetLParam, frame.lParam);
    Put<uint32_t>(out, wire::kOffsetLength, static_cast<uint32_t>(frame.payload.size()));
    Put<uint32_t>(out, wire::kOffsetRequestId, frame.requestId);
    std::copy(frame.payload.begin(), frame.payload.end(), out.begin() + wire::kHeaderSize);
    return out;
}

void FrameReader::Append(const uint8_t* data, size_t size)
{
    if (m_bad || size == 0)
        return;
    // Drop the records already taken out before growing the buffer.
    if (m_start > 0)
    {
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_start));
        m_start = 0;
    }
    m_buffer.insert(m_buffer.end(), data, data + size);
}

FrameReader::Status FrameReader::Next(Frame& out)
{
    if (m_bad)
        return Status::Bad;
    size_t available = m_buffer.size() - m_start;
    if (available < wire::kHeaderSize)
        return Status::NeedMore;
    const uint8_t* h = m_buffer.data() + m_start;
    uint16_t kind = Get<uint16_t>(h + wire::kOffsetKind);
    uint32_t length = Get<uint32_t>(h + wire::kOffsetLength);
    if (Get<uint32_t>(h) != wire::kMagic || Get<uint16_t>(h + wire::kOffsetVersion) != wire::kVersion ||
        !KnownKind(kind) || !(m_accepted & (1u << kind)) ||
        length > MaxPayload(static_cast<wire::Kind>(kind)))
    {
        m_bad = true;
        m_buffer.clear();
        m_start = 0;
        return Status::Bad;
    }
    if (available - wire::kHeaderSize < length)
        return Status::NeedMore;
    out.kind = static_cast<wire::Kind>(kind);
    out.hwnd = Get<uint32_t>(h + wire::kOffsetHwnd);
    out.message = Get<uint32_t>(h + wire::kOffsetMessage);
    out.wParam = Get<uint64_t>(h + wire::kOffsetWParam);
    out.lParam = Get<int64_t>(h + wire::kOffsetLParam);
    out.requestId = Get<uint32_t>(h + wire::kOffsetRequestId);
    out.payload.assign(h + wire::kHeaderSize, h + wire::kHeaderSize + length);
    m_start += wire::kHeaderSize + length;
    if (m_start == m_buffer.size())
    {
        m_buffer.clear();
        m_start = 0;
    }
    return Status::Complete;
}

} // namespace ce::winstation::detail
