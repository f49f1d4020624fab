// SPDX-License-Identifier: GPL-3.0-or-later
// Clock: real and virtual implementations of the millisecond clock.
#include "platform/Clock.h"

#include <thread>

namespace vl::platform {

RealClock::RealClock() : origin_(std::chrono::steady_clock::now()) {}

uint32_t RealClock::NowMs() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - origin_)
                        .count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

void RealClock::SleepMs(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void VirtualClock::AdvanceTo(uint64_t t) {
    if (t <= now_) return;
    now_ = t;
    // Listeners may sleep no further themselves; they only observe the new time.
    for (auto& l : listeners_) l(now_);
}

} // namespace vl::platform
