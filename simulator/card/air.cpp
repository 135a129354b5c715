#include <card/air.h>

#include <simcore/mix.h>
#include <simcore/reg_key.h>
#include <simcore/text.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace sim
{
namespace
{

constexpr std::u16string_view kAirKey = u"Simulator\\Air";

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

// 8-bit bytes of a registry text: each UTF-16 unit's low byte.
std::string Narrow(const std::u16string& text)
{
    std::string out;
    for (char16_t c : text)
        out += static_cast<char>(c <= 0xFF ? c : '?');
    return out;
}

std::u16string Widen(const std::string& text)
{
    std::u16string out;
    for (unsigned char c : text)
        out += static_cast<char16_t>(c);
    return out;
}

// Smooth noise in [-1, 1]: values at every 2 s step, interpolated with a cosine in between.
double Noise(uint32_t seed, uint32_t stream, int64_t nowMs)
{
    constexpr int64_t kStep = 2000;
    const int64_t k = nowMs >= 0 ? nowMs / kStep : (nowMs - kStep + 1) / kStep;
    const double f = static_cast<double>(nowMs - k * kStep) / kStep;
    auto at = [&](int64_t i)
    {
        uint32_t h = Mix(seed * 0x9E3779B9u ^ Mix(static_cast<uint32_t>(i) ^ (stream * 0x85EBCA6Bu)) ^
                         static_cast<uint32_t>(static_cast<uint64_t>(i) >> 32));
        return (h / 4294967295.0) * 2.0 - 1.0;
    };
    const double t = (1 - std::cos(f * 3.14159265358979)) / 2;
    return at(k) * (1 - t) + at(k + 1) * t;
}

// A number of the key within [lo, hi]. Taken through value_or: for `v && *v >= lo` the compiler may
// compare the value of an empty optional before it tests the flag, which gives the same result but shows
// in valgrind as a jump on an uninitialised value.
std::optional<int64_t> NumberIn(const RegKey& key, std::u16string_view name, int64_t lo, int64_t hi)
{
    const int64_t n = key.GetNumber(name).value_or(lo - 1);
    if (n < lo || n > hi)
        return std::nullopt;
    return n;
}

std::optional<std::string> Text(const RegKey& key, std::u16string_view name)
{
    auto v = key.GetString(name);
    if (!v)
        return std::nullopt;
    return ToUtf8(*v);
}

std::optional<uint32_t> Latency(const RegKey& key)
{
    if (auto v = NumberIn(key, u"Latency", 0, 600000))
        return static_cast<uint32_t>(*v);
    return std::nullopt;
}

} // namespace

std::string FormatMac(const std::array<uint8_t, 6>& mac)
{
    std::string out;
    for (size_t i = 0; i < mac.size(); ++i)
    {
        if (i)
            out += '-';
        out += HexBytes({&mac[i], 1});
    }
    return out;
}

std::optional<std::array<uint8_t, 6>> ParseMac(const std::string& text)
{
    auto bytes = ParseHexBytes(text);
    if (!bytes || bytes->size() != 6)
        return std::nullopt;
    std::array<uint8_t, 6> mac{};
    std::copy(bytes->begin(), bytes->end(), mac.begin());
    return mac;
}

std::string AirLinkName(AirLink link)
{
    return link == AirLink::Up ? "up" : link == AirLink::Down ? "down" : "joined";
}

uint32_t AirSettings::LoadLatency()
{
    return Latency(RegKey::Open(HKEY_LOCAL_MACHINE, kAirKey, KEY_READ)).value_or(AirSettings().latency);
}

AirSettings AirSettings::Load()
{
    AirSettings air;
    RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, kAirKey, KEY_READ);
    if (!key.valid())
        return air;
    if (auto v = Text(key, u"Link"))
    {
        const std::string l = Lower(*v);
        air.link = l == "down" ? AirLink::Down : l == "joined" ? AirLink::Joined : AirLink::Up;
    }
    if (auto v = key.GetString(u"Ssid"))
        air.ssid = Narrow(*v).substr(0, 32);
    if (auto v = Text(key, u"Bssid"))
        if (auto mac = ParseMac(*v))
            air.bssid = *mac;
    if (auto v = NumberIn(key, u"Channel", 1, 14))
        air.channel = static_cast<uint32_t>(*v);
    if (auto v = NumberIn(key, u"Rssi", -100, -10))
        air.rssi = static_cast<int>(*v);
    if (auto v = NumberIn(key, u"Quality", 0, 100))
        air.quality = static_cast<int>(*v);
    if (auto v = NumberIn(key, u"Traffic", 0, 100000000))
        air.traffic = static_cast<uint32_t>(*v);
    if (auto v = Latency(key))
        air.latency = *v;
    if (auto v = NumberIn(key, u"Seed", 0, 0xFFFFFFFF))
        air.seed = static_cast<uint32_t>(*v);
    if (auto v = Text(key, u"Ip"))
        air.ip = *v;
    if (auto v = NumberIn(key, u"ScanTime", 0, 600000))
        air.scanTime = static_cast<uint32_t>(*v);
    return air;
}

int AirSettings::RssiAt(int64_t nowMs) const
{
    if (rssi)
        return *rssi;
    // Around -58 dBm, wandering 12 dB either way, with a slower drift on top.
    const double v = -58 + 9 * Noise(seed, 1, nowMs) + 3 * Noise(seed, 2, nowMs / 7);
    return static_cast<int>(std::lround(v));
}

int AirSettings::QualityAt(int64_t nowMs, int signal) const
{
    if (quality)
        return *quality;
    const double v = 100 + (signal + 50) * 2.2 + 5 * Noise(seed, 3, nowMs);
    return static_cast<int>(std::clamp(std::lround(v), 0L, 100L));
}

std::vector<AirNetwork> AirSettings::Networks(int64_t nowMs) const
{
    std::vector<AirNetwork> networks;
    if (link != AirLink::Down)
        networks.push_back({ssid, bssid, channel, RssiAt(nowMs)});
    networks.push_back({"Lighthouse",
                        {0x00, 0x13, 0x46, 0x11, 0x52, 0x07},
                        1,
                        static_cast<int>(std::lround(-81 + 4 * Noise(seed, 4, nowMs)))});
    networks.push_back({"Dockside",
                        {0x00, 0x13, 0x46, 0x2C, 0x08, 0x9A},
                        11,
                        static_cast<int>(std::lround(-87 + 4 * Noise(seed, 5, nowMs)))});
    return networks;
}

std::optional<std::string> SetAirValue(const std::string& name, const std::string& value)
{
    const std::string n = Lower(name);
    const std::string v = value;
    auto number = ParseNumber(v);
    auto inRange = [&](int64_t lo, int64_t hi) { return number && *number >= lo && *number <= hi; };
    std::u16string valueName;
    std::string stored = v;
    if (n == "link")
    {
        const std::string l = Lower(v);
        if (l != "up" && l != "down" && l != "joined")
            return "link must be up, down or joined";
        valueName = u"Link";
        stored = l;
    }
    else if (n == "ssid")
    {
        if (v.size() > 32)
            return "an SSID has at most 32 bytes";
        valueName = u"Ssid";
    }
    else if (n == "bssid")
    {
        auto mac = ParseMac(v);
        if (!mac)
            return "a BSSID is six hexadecimal bytes, e.g. 00-13-46-7A-2B-01";
        valueName = u"Bssid";
        stored = FormatMac(*mac);
    }
    else if (n == "channel")
    {
        if (!inRange(1, 14))
            return "channel must be 1 to 14";
        valueName = u"Channel";
    }
    else if (n == "rssi")
    {
        if (Lower(v) != "auto" && !inRange(-100, -10))
            return "rssi must be auto or -100 to -10 (dBm)";
        valueName = u"Rssi";
        stored = Lower(v) == "auto" ? "auto" : std::to_string(*number);
    }
    else if (n == "quality")
    {
        if (Lower(v) != "auto" && !inRange(0, 100))
            return "quality must be auto or 0 to 100 (percent)";
        valueName = u"Quality";
        stored = Lower(v) == "auto" ? "auto" : std::to_string(*number);
    }
    else if (n == "traffic")
    {
        if (!inRange(0, 100000000))
            return "traffic must be 0 to 100000000 (bytes per second)";
        valueName = u"Traffic";
    }
    else if (n == "latency")
    {
        if (!inRange(0, 600000))
            return "latency must be 0 to 600000 (ms)";
        valueName = u"Latency";
    }
    else if (n == "seed")
    {
        if (!inRange(0, 0xFFFFFFFF))
            return "seed must be 0 to 4294967295";
        valueName = u"Seed";
    }
    else if (n == "ip")
    {
        unsigned a, b, c, d;
        char extra;
        if (v.size() > 15 || std::sscanf(v.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &extra) != 4 ||
            a > 255 || b > 255 || c > 255 || d > 255)
            return "ip must be a dotted address such as 192.168.1.105";
        valueName = u"Ip";
    }
    else if (n == "scantime")
    {
        if (!inRange(0, 600000))
            return "scantime must be 0 to 600000 (ms)";
        valueName = u"ScanTime";
    }
    else
        return "unknown key '" + name + "'";
    if (number && valueName != u"Ssid" && valueName != u"Ip" && valueName != u"Bssid")
        stored = std::to_string(*number);
    std::u16string text = valueName == u"Ssid" ? Widen(stored) : FromUtf8(stored);
    if (RegKey::Create(HKEY_LOCAL_MACHINE, kAirKey).SetString(valueName, text) != ERROR_SUCCESS)
        return "the registry refused the change";
    return std::nullopt;
}

} // namespace sim
