// The simulated world's clock, shared by every process of the handheld: real time (milliseconds since
// 1970) plus an offset, or frozen at one instant so that tests see exact values. Kept under
// HKLM\Simulator\Clock.
#pragma once

#include <cstdint>

namespace sim::clock
{

int64_t NowMs();
bool Frozen();
// Stops the clock at the current simulated instant.
void Freeze();
// Lets the clock run again from the current simulated instant.
void Run();
// Moves the clock forward (frozen or running).
void Advance(int64_t ms);

} // namespace sim::clock
