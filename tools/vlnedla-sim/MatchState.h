// SPDX-License-Identifier: GPL-3.0-or-later
// MatchState: the match window as the simulator shows it in a dump, and the values a
// script may set in it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "match/MatchDriver.h"
#include "match/Unit1.h"

namespace vl::sim {

// The dump's "match" object: flags, frame count, both records, the timers and the sprites
// in the engine's creation order.
std::string MatchJson(const match::TForm1& form);
// The same of a match driver alone: `frames` as the frame count, the frame timer's state
// as given.
std::string MatchJson(const match::MatchDriver& driver, uint64_t frames, bool frameTimerEnabled,
                      int64_t frameTimerInterval);

// What a `set` name stands for: a flag (true/false) or a number. Unknown names: Unknown.
enum class MatchValueKind { Unknown, Flag, Number };
MatchValueKind MatchValueKindOf(std::string_view name);

// Sets `name` ("left.energy", "gamerunning", ...) to `value` ("true", "false" or a whole
// number, stored as the field's own width). The script reader has checked both.
void SetMatchValue(match::TForm1& form, std::string_view name, std::string_view value);

} // namespace vl::sim
