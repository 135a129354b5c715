// Bounds-checked little-endian reading of resource data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace ce::res::detail
{

class ByteReader
{
public:
    ByteReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    size_t offset() const { return m_offset; }
    size_t remaining() const { return m_offset <= m_size ? m_size - m_offset : 0; }
    bool ok() const { return m_ok; }
    const uint8_t* here() const { return m_data + m_offset; }

    bool Seek(size_t offset)
    {
        if (offset > m_size)
            return Fail();
        m_offset = offset;
        return true;
    }
    bool Skip(size_t n) { return n <= remaining() ? (m_offset += n, true) : Fail(); }
    // Moves to the next multiple of `unit` from the start of the data.
    bool Align(size_t unit)
    {
        size_t pad = (unit - m_offset % unit) % unit;
        if (pad > remaining())
        {
            m_offset = m_size; // padding at the very end may be missing
            return true;
        }
        m_offset += pad;
        return true;
    }

    uint8_t U8() { return static_cast<uint8_t>(Read(1)); }
    uint16_t U16() { return static_cast<uint16_t>(Read(2)); }
    uint32_t U32() { return static_cast<uint32_t>(Read(4)); }
    int16_t S16() { return static_cast<int16_t>(U16()); }
    int32_t S32() { return static_cast<int32_t>(U32()); }

    // A 0-terminated UTF-16 string.
    std::u16string WString()
    {
        std::u16string s;
        for (;;)
        {
            if (remaining() < 2)
            {
                Fail();
                return s;
            }
            char16_t c = static_cast<char16_t>(U16());
            if (c == 0)
                return s;
            s.push_back(c);
        }
    }

    bool Fail()
    {
        m_ok = false;
        m_offset = m_size;
        return false;
    }

private:
    uint64_t Read(size_t n)
    {
        if (n > remaining())
        {
            Fail();
            return 0;
        }
        uint64_t v = 0;
        for (size_t i = 0; i < n; ++i)
            v |= static_cast<uint64_t>(m_data[m_offset + i]) << (8 * i);
        m_offset += n;
        return v;
    }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_offset = 0;
    bool m_ok = true;
};

inline bool AsciiEqualNoCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
    {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z')
            x = static_cast<char16_t>(x - 32);
        if (y >= u'a' && y <= u'z')
            y = static_cast<char16_t>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

} // namespace ce::res::detail
