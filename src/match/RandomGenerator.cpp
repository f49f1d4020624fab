// SPDX-License-Identifier: GPL-3.0-or-later
// RandomGenerator: the draw.
#include "match/RandomGenerator.h"

namespace vl::match {

int32_t RandomGenerator::Random(int32_t n) {
    seed_ = seed_ * 0x08088405U + 1U;
    if (n <= 0) return 0;
    return static_cast<int32_t>((uint64_t{seed_} * static_cast<uint32_t>(n)) >> 32);
}

} // namespace vl::match
