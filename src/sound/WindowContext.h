// SPDX-License-Identifier: GPL-3.0-or-later
// WindowContext: what the program hands each of its windows when it creates them — the
// toolkit, the audio backend and clock their sound devices open on, and the language they
// speak and show.
#pragma once

#include "platform/Toolkit.h"
#include "settings/Language.h"
#include "sound/DXSounds.h"
#include "sound/SoundTrace.h"

namespace vl::sound {

struct WindowContext {
    platform::Toolkit& toolkit;
    SoundContext sound;          // audio backend and the clock Play(wait) sleeps on
    SoundTrace* trace = nullptr; // observer of the banks' calls; none in the real program
    const settings::Language& language = settings::Czech();
};

} // namespace vl::sound
