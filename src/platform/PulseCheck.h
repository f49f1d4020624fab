// SPDX-License-Identifier: GPL-3.0-or-later
// PulseCheck: asks the PulseAudio server (or PipeWire's, which speaks its protocol) whether
// it has an output, before SDL's audio subsystem is started on it.
//
// SDL 2.26's PulseAudio driver copies the server's default sink and source names while it
// starts (and again when a device changes); a server without any output has neither, and
// the copy of a null name kills the process. So the program starts SDL's audio only on a
// server that has them, and stops it while the server has none.
#pragma once

#include <cstdint>

namespace vl::platform {

enum class PulseOutputs {
    NoServer, // no server answered (or libpulse is not installed): SDL's driver fails safely
    Present,  // the server names a default sink and a default source
    Missing   // the server answered without them: starting SDL's driver would crash
};

// Connects to the server the way SDL would (PULSE_SERVER and the client configuration
// apply, a daemon is never spawned), asks for its defaults and disconnects, within
// `timeoutMs`; a server that does not answer in time counts as none. Loads libpulse at run
// time, so the program does not depend on it.
PulseOutputs AskPulseServer(uint32_t timeoutMs = 1000);

// Whether SDL may choose its PulseAudio driver: SDL_AUDIODRIVER is unset, empty, or names
// it (among others).
bool SdlMayUsePulse();

} // namespace vl::platform
