#include <simcore/clock.h>
#include <simcore/reg_key.h>
#include <simcore/text.h>

#include <kernel/time_scale.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <optional>
#include <string>

namespace sim::clock
{
namespace
{

constexpr std::u16string_view kClockKey = u"Simulator\\Clock";

int64_t RealMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// Running, the clock reads offset + epoch + (real time - epoch) * scale: the time scale of the process
// that last anchored it, applied from the real instant `epoch` at which it was anchored. Unscaled and
// never anchored (epoch 0, scale 1), that is real time plus the offset.
struct ClockState
{
    bool frozen = false;
    int64_t at = 0;
    int64_t offset = 0;
    int64_t epoch = 0;
    double scale = 1.0;
};

int64_t Clamp(int64_t ms, int64_t bound = kRangeMs)
{
    return std::clamp(ms, -bound, bound);
}

// Values from the registry are clamped, so that no sum below can overflow whatever was written there.
ClockState Load()
{
    ClockState s;
    RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, kClockKey, KEY_READ);
    if (!key.valid())
        return s;
    s.frozen = key.GetNumber(u"Frozen").value_or(0) != 0;
    s.at = Clamp(key.GetNumber(u"At").value_or(0));
    s.offset = Clamp(key.GetNumber(u"Offset").value_or(0), 2 * kRangeMs); // real time is added to it
    s.epoch = Clamp(key.GetNumber(u"Epoch").value_or(0));
    if (std::optional<std::u16string> scale = key.GetString(u"Scale"))
        s.scale = ce::ParseTimeScale(ToUtf8(*scale)).value_or(1.0);
    return s;
}

void Save(const ClockState& s)
{
    RegKey key = RegKey::Create(HKEY_LOCAL_MACHINE, kClockKey);
    key.SetDword(u"Frozen", s.frozen ? 1 : 0);
    key.SetString(u"At", FromUtf8(std::to_string(s.at)));
    key.SetString(u"Offset", FromUtf8(std::to_string(s.offset)));
    key.SetString(u"Epoch", FromUtf8(std::to_string(s.epoch)));
    char scale[32];
    const auto written = std::to_chars(scale, scale + sizeof scale, s.scale, std::chars_format::fixed);
    key.SetString(u"Scale", FromUtf8(std::string(scale, written.ptr)));
}

// Real time as the running clock's scale stretches it: epoch + (real - epoch) * scale, inside the range.
int64_t ScaledReal(const ClockState& s)
{
    const int64_t real = RealMs();
    if (s.scale == 1.0)
        return real;
    const double since = static_cast<double>(real - s.epoch) * s.scale;
    const double bound = static_cast<double>(2 * kRangeMs);
    return s.epoch + static_cast<int64_t>(std::clamp(since, -bound, bound));
}

int64_t Now(const ClockState& s)
{
    return Clamp(s.frozen ? s.at : ScaledReal(s) + s.offset);
}

// Anchors the running clock at this instant to this process's time scale, so that it runs on from the
// time it shows now (never jumping) at the new rate.
void Anchor(ClockState& s)
{
    const int64_t now = Now(s);
    s.epoch = RealMs();
    s.scale = ce::TimeScale();
    s.offset = now - s.epoch;
}

// The state, anchored to this process's scale first when it runs at another one (the first read of a
// process started with another QN40_TIME_SCALE than the one before it). Should the registry refuse the
// write, the clock goes on at the stored scale.
ClockState LoadAnchored()
{
    ClockState s = Load();
    if (s.frozen || s.scale == ce::TimeScale())
        return s;
    RegistryTransaction(true,
                        [&s]
                        {
                            s = Load();
                            if (s.frozen || s.scale == ce::TimeScale())
                                return ERROR_SUCCESS;
                            Anchor(s);
                            Save(s);
                            return ERROR_SUCCESS;
                        });
    return s;
}

} // namespace

int64_t NowMs()
{
    return Now(LoadAnchored());
}

bool Frozen()
{
    return Load().frozen;
}

void Freeze()
{
    RegistryTransaction(true,
                        []
                        {
                            ClockState s = Load();
                            s.at = Now(s);
                            s.frozen = true;
                            Save(s);
                            return ERROR_SUCCESS;
                        });
}

void Run()
{
    RegistryTransaction(true,
                        []
                        {
                            ClockState s = Load();
                            s.at = Now(s);
                            s.frozen = false;
                            // Runs on from the frozen instant at this process's scale.
                            s.epoch = RealMs();
                            s.scale = ce::TimeScale();
                            s.offset = s.at - s.epoch;
                            Save(s);
                            return ERROR_SUCCESS;
                        });
}

LONG Advance(int64_t ms)
{
    return RegistryTransaction(true,
                               [ms]() -> LONG
                               {
                                   ClockState s = Load();
                                   const int64_t now = Now(s);
                                   int64_t target = 0;
                                   if (__builtin_add_overflow(now, ms, &target) || target != Clamp(target))
                                       return ERROR_INVALID_PARAMETER;
                                   if (s.frozen)
                                       s.at = target;
                                   else
                                       s.offset += target - now;
                                   Save(s);
                                   return ERROR_SUCCESS;
                               });
}

} // namespace sim::clock
