// SPDX-License-Identifier: GPL-3.0-or-later
// Clock: the program's millisecond clock and its sleep, real or virtual.
//
// Everything that reads the time or sleeps (the frame timer, Play with wait, the
// message loop) is handed an IClock, so the same code runs in real time on the
// desktop and on virtual time in the headless simulator and the tests.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

namespace vl::platform {

// The clock interface. NowMs() is a 32-bit millisecond counter that wraps at 2^32;
// callers take differences modulo 2^32, as with the system's millisecond counter.
class IClock {
public:
    virtual ~IClock() = default;
    virtual uint32_t NowMs() = 0;
    // Blocks the caller for ms milliseconds (on a virtual clock: advances time).
    virtual void SleepMs(uint32_t ms) = 0;
};

// Wall-clock time from std::chrono::steady_clock.
class RealClock final : public IClock {
public:
    RealClock();
    uint32_t NowMs() override;
    void SleepMs(uint32_t ms) override;

private:
    std::chrono::steady_clock::time_point origin_;
};

// Virtual time for headless runs. Time moves only by SleepMs/AdvanceTo; every move
// calls the advance listeners (in the order added) with the new time, so an offline
// mixer can render what falls in that time and a script can apply the user actions
// that fall due. The 64-bit total never wraps; NowMs() gives its low 32 bits.
class VirtualClock final : public IClock {
public:
    using AdvanceListener = std::function<void(uint64_t nowMs)>;

    explicit VirtualClock(uint64_t startMs = 0) : now_(startMs) {}
    uint32_t NowMs() override { return static_cast<uint32_t>(now_); }
    void SleepMs(uint32_t ms) override { AdvanceTo(now_ + ms); }

    uint64_t ElapsedMs() const { return now_; }
    // Moves time forward to t (never backward) and notifies the listeners.
    void AdvanceTo(uint64_t t);
    void AddAdvanceListener(AdvanceListener listener) { listeners_.push_back(std::move(listener)); }

private:
    uint64_t now_;
    std::vector<AdvanceListener> listeners_;
};

} // namespace vl::platform
