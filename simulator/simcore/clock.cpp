#include <simcore/clock.h>
#include <simcore/reg_key.h>
#include <simcore/text.h>

#include <algorithm>
#include <chrono>

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

struct ClockState
{
    bool frozen = false;
    int64_t at = 0;
    int64_t offset = 0;
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
    return s;
}

void Save(const ClockState& s)
{
    RegKey key = RegKey::Create(HKEY_LOCAL_MACHINE, kClockKey);
    key.SetDword(u"Frozen", s.frozen ? 1 : 0);
    key.SetString(u"At", FromUtf8(std::to_string(s.at)));
    key.SetString(u"Offset", FromUtf8(std::to_string(s.offset)));
}

int64_t Now(const ClockState& s)
{
    return Clamp(s.frozen ? s.at : RealMs() + s.offset);
}

} // namespace

int64_t NowMs()
{
    return Now(Load());
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
                            const int64_t now = Now(s);
                            s.frozen = false;
                            s.offset = now - RealMs();
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
