// The handheld's time scale: QN40_TIME_SCALE=N lets the handheld's time run N times faster than real
// time, so that a day of use fits in minutes. Two clocks follow it: window timers (a 3500 ms timer fires
// every 3500 / N ms of real time) and the simulated world's clock (N simulated ms per real ms). Every
// process of one handheld should run with the same scale; the clock stays continuous when one does not.
//
// Real-time waits stay real time (Sleep, GetTickCount, waits with a time-out): the client library's limit on
// a pending query (3000 ms) guards the window thread against a driver that never answers, so it is measured
// in the time the user waits; and the protocol driver's pending delays stay real too, so that a request made
// late by a fault meets that limit exactly as it does unscaled (scaling one without the other would change
// which requests time out).
//
// N is a positive decimal number from 0.001 to 100000 ("1000", "2.5"). Anything else (a word, zero, a
// negative number, trailing characters) is refused with one line on standard error, and time runs at its
// real rate: a mistyped scale never stops the handheld from starting.
#pragma once

#include <optional>
#include <string_view>

namespace ce
{

inline constexpr double kMinTimeScale = 0.001;
inline constexpr double kMaxTimeScale = 100000.0;

// The scale in effect: $QN40_TIME_SCALE as read at first use, 1 when unset or refused.
double TimeScale();
// The scale written in text, or nullopt when it is not a number in [kMinTimeScale, kMaxTimeScale].
std::optional<double> ParseTimeScale(std::string_view text);
// Reads $QN40_TIME_SCALE again; for tests that change it inside one process.
void ReloadTimeScale();

// Real milliseconds for a period of the handheld's time: ms / TimeScale(), rounded, at least 1 for a
// positive period.
unsigned ScaledPeriodMs(unsigned handheldMs);

} // namespace ce
