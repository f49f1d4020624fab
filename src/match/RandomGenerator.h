// SPDX-License-Identifier: GPL-3.0-or-later
// RandomGenerator: the program's pseudo-random generator, reseeded from the program's clock.
#pragma once

#include <cstdint>

namespace vl::match {

// A 32-bit linear congruential generator (seed := seed x 0x08088405 + 1), drawing
// random(n) as the high 32 bits of seed x n. It starts in the fixed state 0, so the first
// draws after start-up are always the same; Randomize takes the clock's milliseconds, and
// with the simulator's virtual clock a run repeats exactly.
class RandomGenerator {
public:
    // A whole number from 0 to n - 1; 0 when n is 0 or less (nothing to draw from).
    int32_t Random(int32_t n);
    // Reseeds from a clock reading in ms.
    void Randomize(uint32_t clockMs) { seed_ = clockMs; }
    // Where it stands: the next draws follow from this alone.
    uint32_t State() const { return seed_; }

private:
    uint32_t seed_ = 0;
};

} // namespace vl::match
