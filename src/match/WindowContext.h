// SPDX-License-Identifier: GPL-3.0-or-later
// WindowContext: what the program hands each of its windows when it creates them.
#pragma once

#include "platform/Toolkit.h"
#include "sound/DXSounds.h"
#include "sound/SoundTrace.h"

namespace vl::match {

struct WindowContext {
    platform::Toolkit& toolkit;
    sound::SoundContext sound;          // audio backend and the clock Play(wait) sleeps on
    sound::SoundTrace* trace = nullptr; // observer of the banks' calls; none in the real program
};

} // namespace vl::match
