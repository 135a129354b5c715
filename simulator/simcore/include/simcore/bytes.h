// Explicit little-endian access to records that cross a driver boundary, and a small serialiser for the
// simulator's own state blobs.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace sim
{

inline void PutU16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutU64(uint8_t* p, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint16_t GetU16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t GetU32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t GetU64(const uint8_t* p)
{
    return GetU32(p) | (static_cast<uint64_t>(GetU32(p + 4)) << 32);
}

class ByteWriter
{
public:
    void U8(uint8_t v) { m_data.push_back(v); }
    void U32(uint32_t v)
    {
        uint8_t b[4];
        PutU32(b, v);
        m_data.insert(m_data.end(), b, b + 4);
    }
    void U64(uint64_t v)
    {
        uint8_t b[8];
        PutU64(b, v);
        m_data.insert(m_data.end(), b, b + 8);
    }
    void I64(int64_t v) { U64(static_cast<uint64_t>(v)); }
    void Bytes(std::span<const uint8_t> bytes)
    {
        U32(static_cast<uint32_t>(bytes.size()));
        m_data.insert(m_data.end(), bytes.begin(), bytes.end());
    }
    void String(const std::string& s) { Bytes({reinterpret_cast<const uint8_t*>(s.data()), s.size()}); }
    const std::vector<uint8_t>& data() const { return m_data; }

private:
    std::vector<uint8_t> m_data;
};

// Reads what ByteWriter wrote; any read past the end clears ok() and gives zeros.
class ByteReader
{
public:
    explicit ByteReader(std::span<const uint8_t> data) : m_data(data) {}
    uint8_t U8()
    {
        if (!Need(1))
            return 0;
        return m_data[m_pos++];
    }
    uint32_t U32()
    {
        if (!Need(4))
            return 0;
        uint32_t v = GetU32(m_data.data() + m_pos);
        m_pos += 4;
        return v;
    }
    uint64_t U64()
    {
        if (!Need(8))
            return 0;
        uint64_t v = GetU64(m_data.data() + m_pos);
        m_pos += 8;
        return v;
    }
    int64_t I64() { return static_cast<int64_t>(U64()); }
    std::vector<uint8_t> Bytes(size_t maxSize)
    {
        uint32_t n = U32();
        if (n > maxSize || !Need(n))
        {
            m_ok = false;
            return {};
        }
        std::vector<uint8_t> out(m_data.begin() + m_pos, m_data.begin() + m_pos + n);
        m_pos += n;
        return out;
    }
    std::string String(size_t maxSize)
    {
        auto b = Bytes(maxSize);
        return std::string(b.begin(), b.end());
    }
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_pos == m_data.size(); }

private:
    bool Need(size_t n)
    {
        if (!m_ok || m_data.size() - m_pos < n)
        {
            m_ok = false;
            return false;
        }
        return true;
    }
    std::span<const uint8_t> m_data;
    size_t m_pos = 0;
    bool m_ok = true;
};

} // namespace sim
