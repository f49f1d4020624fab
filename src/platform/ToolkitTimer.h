// SPDX-License-Identifier: GPL-3.0-or-later
// ToolkitTimer: a window's message timer, fired by the message loop between events.
//
// Like the system's timer messages it never queues up: a timer that is late fires once and
// starts its next interval from then. Interval 0 or disabled fires nothing. Setting
// Enabled or Interval starts the interval anew.
#pragma once

#include <cstdint>
#include <functional>

namespace vl::platform {

class Toolkit;

class Timer {
public:
    explicit Timer(Toolkit& toolkit, uint32_t interval = 1000, bool enabled = true);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    uint32_t Interval() const { return interval_; }
    void SetInterval(uint32_t ms);

    std::function<void()> OnTimer;

private:
    friend class Toolkit;
    Toolkit& toolkit_;
    uint32_t interval_;
    bool enabled_;
    uint32_t startMs_; // clock reading the current interval runs from
};

} // namespace vl::platform
