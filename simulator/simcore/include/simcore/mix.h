// The simulator's integer hash: every input bit changes about half the output bits, so consecutive inputs
// give unrelated values. The air's noise and the card's register reset values come from it, the same
// under the same seed in every process.
#pragma once

#include <cstdint>

namespace sim
{

constexpr uint32_t Mix(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7FEB352D;
    x ^= x >> 15;
    x *= 0x846CA68B;
    x ^= x >> 16;
    return x;
}

} // namespace sim
