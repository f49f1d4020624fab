// SPDX-License-Identifier: GPL-3.0-or-later
// PadLayout: a game controller as a player's actions — the d-pad or the left stick up and
// down climb and descend; A the cannon, B a missile, X the machine gun, Y the magnet; the
// left and right shoulders speak the energy and the cannon's shells, the left and right
// triggers the missiles and the machine gun's rounds; Start leaves the match.
#pragma once

#include "input/FrameInput.h"
#include "platform/Application.h"

namespace vl::input {

// A stick or trigger this far from rest counts as pressed.
inline constexpr int kPadThreshold = 16384;

// Adds what `pad` does to `side`'s actions in `in` (and leaving, for Start).
void ReadPad(const platform::IInputService::PadState& pad, Side side, FrameInput& in);

} // namespace vl::input
