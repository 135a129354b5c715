#include <simcore/clock.h>
#include <simcore/reg_key.h>
#include <simcore/text.h>

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

ClockState Load()
{
    ClockState s;
    RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, kClockKey, KEY_READ);
    if (!key.valid())
        return s;
    s.frozen = key.GetNumber(u"Frozen").value_or(0) != 0;
    s.at = key.GetNumber(u"At").value_or(0);
    s.offset = key.GetNumber(u"Offset").value_or(0);
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
    return s.frozen ? s.at : RealMs() + s.offset;
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

void Advance(int64_t ms)
{
    RegistryTransaction(true,
                        [ms]
                        {
                            ClockState s = Load();
                            if (s.frozen)
                                s.at += ms;
                            else
                                s.offset += ms;
                            Save(s);
                            return ERROR_SUCCESS;
                        });
}

} // namespace sim::clock
