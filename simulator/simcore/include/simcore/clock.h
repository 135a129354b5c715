// The simulated world's clock, shared by every process of the handheld: real time (milliseconds since
// 1970) plus an offset, or frozen at one instant so that tests see exact values. Kept under
// HKLM\Simulator\Clock.
//
// With the handheld's time scale (kernel/time_scale.h) at N, the running clock advances N ms per real ms
// from the real instant it was anchored at (Epoch, with its Scale), so that processes started at
// different moments read the same time. A process whose scale differs from the stored one anchors the
// clock again at its first read: the time goes on from where it was, at the new rate.
#pragma once

#include <windows.h>

#include <cstdint>

namespace sim::clock
{

// The simulated clock stays within this many milliseconds either side of 1970 (about 285,000 years), far
// inside 64 bits, so that the sums its users make never overflow: NowMs() saturates at the bounds.
inline constexpr int64_t kRangeMs = int64_t{1} << 53;

int64_t NowMs();
bool Frozen();
// Stops the clock at the current simulated instant.
void Freeze();
// Lets the clock run again from the current simulated instant.
void Run();
// Moves the clock forward, or back for a negative ms (frozen or running). ERROR_INVALID_PARAMETER, with
// the clock as it was, when the move would take it out of its range; else the registry's result.
LONG Advance(int64_t ms);

} // namespace sim::clock
