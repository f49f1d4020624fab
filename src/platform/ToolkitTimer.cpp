// SPDX-License-Identifier: GPL-3.0-or-later
// ToolkitTimer: registration with the toolkit's loop and the restart rules.
#include "platform/ToolkitTimer.h"

#include "platform/Toolkit.h"

namespace vl::platform {

Timer::Timer(Toolkit& toolkit, uint32_t interval, bool enabled)
    : toolkit_(toolkit), interval_(interval), enabled_(enabled), startMs_(toolkit.Clock().NowMs()) {
    toolkit_.AddTimer(this);
}

Timer::~Timer() {
    toolkit_.RemoveTimer(this);
}

void Timer::SetEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    startMs_ = toolkit_.Clock().NowMs();
}

void Timer::SetInterval(uint32_t ms) {
    if (ms == interval_) return;
    interval_ = ms;
    startMs_ = toolkit_.Clock().NowMs();
}

} // namespace vl::platform
