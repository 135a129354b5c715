// The window station's record decoding: bytes received on a connection, cut into records by FrameReader.
// The first input byte picks the accepted kinds and how the bytes arrive (all at once, or in pieces of
// varying sizes); the rest is what the peer sent.
// Checks: arriving in pieces changes nothing (same records, same verdict); every record taken out is
// exactly the bytes it came from (re-encoding gives them back), of an accepted kind and within its size
// limit; a connection judged bad stays bad; what remains unconsumed is reported as a partial record.
#include "fuzz_support.h"

#include "../../platform/kernel/winstation/wire.h"

#include <cstring>

using ce::winstation::detail::Encode;
using ce::winstation::detail::Frame;
using ce::winstation::detail::FrameReader;
using ce::winstation::detail::MaxPayload;
namespace wire = ce::winstation::wire;

namespace
{

struct Outcome
{
    std::vector<Frame> frames;
    bool bad = false;
    bool partial = false;
};

bool SameFrame(const Frame& a, const Frame& b)
{
    return a.kind == b.kind && a.hwnd == b.hwnd && a.message == b.message && a.wParam == b.wParam &&
           a.lParam == b.lParam && a.requestId == b.requestId && a.payload == b.payload;
}

void Drain(FrameReader& reader, Outcome& out)
{
    for (;;)
    {
        Frame f;
        const FrameReader::Status s = reader.Next(f);
        if (s == FrameReader::Status::Complete)
        {
            out.frames.push_back(std::move(f));
            continue;
        }
        if (s == FrameReader::Status::Bad)
        {
            out.bad = true;
            Frame again;
            FUZZ_CHECK(reader.Next(again) == FrameReader::Status::Bad, "a bad connection recovered");
        }
        return;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t control = data[0];
    const unsigned accepted = (control & 0x0E); // bits 1..3: Message, Request, Answer
    const size_t piece = 1 + (control >> 4);    // 1..16 bytes at a time
    const uint8_t* bytes = data + 1;
    const size_t length = size - 1;

    Outcome whole;
    {
        FrameReader reader(accepted);
        reader.Append(bytes, length);
        Drain(reader, whole);
        whole.partial = reader.HasPartial();
    }

    Outcome pieces;
    {
        FrameReader reader(accepted);
        size_t step = piece;
        for (size_t at = 0; at < length && !pieces.bad;)
        {
            const size_t n = std::min(step, length - at);
            reader.Append(bytes + at, n);
            at += n;
            Drain(reader, pieces);
            step = step % 23 + 1 + (bytes[at - 1] & 7); // pieces of changing sizes
        }
        pieces.partial = reader.HasPartial();
    }

    FUZZ_CHECK(whole.frames.size() == pieces.frames.size(),
               std::to_string(whole.frames.size()) + " vs " + std::to_string(pieces.frames.size()));
    for (size_t i = 0; i < whole.frames.size(); ++i)
        FUZZ_CHECK(SameFrame(whole.frames[i], pieces.frames[i]), "record " + std::to_string(i));
    // Bytes in pieces may stop at a bad header the whole input also stops at; the verdict is the same.
    FUZZ_CHECK(whole.bad == pieces.bad, "");

    size_t consumed = 0;
    for (const Frame& f : whole.frames)
    {
        FUZZ_CHECK(accepted & FrameReader::Accept(f.kind), "a record of a kind not accepted");
        FUZZ_CHECK(f.payload.size() <= MaxPayload(f.kind), std::to_string(f.payload.size()));
        const std::vector<uint8_t> encoded = Encode(f);
        FUZZ_CHECK(consumed + encoded.size() <= length, "");
        FUZZ_CHECK(std::memcmp(encoded.data(), bytes + consumed, encoded.size()) == 0,
                   "record " + fuzz::Hex(encoded.data(), encoded.size()) + " is not the bytes it came from");
        consumed += encoded.size();
    }
    if (!whole.bad)
        FUZZ_CHECK(whole.partial == (consumed < length), "partial record not reported");
    else
        FUZZ_CHECK(consumed + wire::kHeaderSize <= length, "judged bad before a whole header arrived");
    return 0;
}
