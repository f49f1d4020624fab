// SPDX-License-Identifier: GPL-3.0-or-later
// ReplayRender: `vlnedla --replay FILE --render OUT` — the replay's match played without a
// window or a sound device, on a virtual clock that runs as fast as the machine allows, its
// sound written to OUT (SoundFileWriter: WAV or Ogg Opus).
//
// The file holds the match's span: from the moment the match starts to the moment its
// window closes, at the mixer's rate (48000 Hz). The program, mixer and timing are the
// simulator's, so the sound is the simulator's `--wav` of the same span sample for sample.
#pragma once

#include <filesystem>

#include "app/CommandLine.h"

namespace vl::app {

// Renders play.replayFile into play.renderFile. Returns the exit code: 0; 1 when the match
// ended in another state than it was recorded in (a fault of the program, said on standard
// error), or when the program could not start; 2 when the replay was refused or OUT could
// not be written (the message on standard error; OUT then stays as it was).
int RenderReplay(const PlayOptions& play, const std::filesystem::path& settingsPath);

} // namespace vl::app
