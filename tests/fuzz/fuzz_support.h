// Shared helpers of the fuzz targets: a check that reports the failing invariant and aborts (so that both
// the replay runner and libFuzzer keep the input), and a little-endian reader over the fuzzer's bytes that
// runs dry with zeros instead of failing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace fuzz
{

[[noreturn]] inline void Fail(const char* file, int line, const char* what, const std::string& detail)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s%s%s\n", file, line, what, detail.empty() ? "" : ": ",
                 detail.c_str());
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_CHECK(cond, detail)                                                                             \
    do                                                                                                       \
    {                                                                                                        \
        if (!(cond))                                                                                         \
            ::fuzz::Fail(__FILE__, __LINE__, #cond, (detail));                                               \
    } while (0)

// Consumes the fuzzer's bytes from the front.
class Input
{
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    size_t remaining() const { return m_size - m_offset; }
    bool empty() const { return m_offset == m_size; }

    uint8_t U8() { return empty() ? 0 : m_data[m_offset++]; }
    uint16_t U16() { return static_cast<uint16_t>(U8() | (U8() << 8)); }
    uint32_t U32() { return U16() | (static_cast<uint32_t>(U16()) << 16); }
    // Up to n bytes (fewer when the input runs out).
    std::vector<uint8_t> Bytes(size_t n)
    {
        n = n < remaining() ? n : remaining();
        std::vector<uint8_t> out(m_data + m_offset, m_data + m_offset + n);
        m_offset += n;
        return out;
    }
    // A block of bytes preceded by its 16-bit length.
    std::vector<uint8_t> Block() { return Bytes(U16()); }
    std::vector<uint8_t> Rest() { return Bytes(remaining()); }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_offset = 0;
};

// The target's world (drivers registered, devices open), made on first use. As a function's static it is
// taken down at exit before the kernel state that was there when it was made.
template <class T> T& Lasting()
{
    static T s_world;
    return s_world;
}

// memcpy and memcmp that accept the null pointers of empty vectors.
inline void Copy(void* to, const void* from, size_t n)
{
    if (n)
        std::memcpy(to, from, n);
}
inline bool Equal(const void* a, const void* b, size_t n)
{
    return n == 0 || std::memcmp(a, b, n) == 0;
}

inline std::string Hex(const void* data, size_t size)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string s;
    auto p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i)
    {
        s.push_back(kDigits[p[i] >> 4]);
        s.push_back(kDigits[p[i] & 15]);
    }
    return s;
}

} // namespace fuzz
