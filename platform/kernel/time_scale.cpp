#include <kernel/immortal.h>
#include <kernel/time_scale.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace ce
{
namespace
{

struct Scale
{
    std::mutex lock;
    bool loaded = false;
    double value = 1.0;
};

Scale& State()
{
    static Immortal<Scale> scale;
    return scale.get();
}

double ReadEnvironment()
{
    const char* text = std::getenv("QN40_TIME_SCALE");
    if (!text || !*text)
        return 1.0;
    if (std::optional<double> scale = ParseTimeScale(text))
        return *scale;
    std::string shown(text, std::min<size_t>(std::char_traits<char>::length(text), 40));
    std::fprintf(
        stderr,
        "QN40_TIME_SCALE=%s is not a number from %g to %g; the handheld's time runs at its real rate\n",
        shown.c_str(), kMinTimeScale, kMaxTimeScale);
    return 1.0;
}

} // namespace

std::optional<double> ParseTimeScale(std::string_view text)
{
    double value = 0;
    const char* end = text.data() + text.size();
    // Fixed notation only: no exponents, signs, infinities or hexadecimal.
    auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value) || value < kMinTimeScale ||
        value > kMaxTimeScale)
        return std::nullopt;
    return value;
}

double TimeScale()
{
    Scale& s = State();
    std::lock_guard lock(s.lock);
    if (!s.loaded)
    {
        s.value = ReadEnvironment();
        s.loaded = true;
    }
    return s.value;
}

void ReloadTimeScale()
{
    Scale& s = State();
    std::lock_guard lock(s.lock);
    s.loaded = false;
}

unsigned ScaledPeriodMs(unsigned handheldMs)
{
    if (handheldMs == 0)
        return 0;
    const double real = std::round(static_cast<double>(handheldMs) / TimeScale());
    if (real < 1)
        return 1;
    return real >= 4294967295.0 ? 4294967295u : static_cast<unsigned>(real);
}

} // namespace ce
