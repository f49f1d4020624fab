// SPDX-License-Identifier: GPL-3.0-or-later
// StateText: the state of a match as text — flags, both records, the timers, the
// generator, every sprite's class, picture, place and flags — and its hash, which two
// machines of a duel compare every second.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "match/Match.h"

namespace vl::match {

// One line of flags, one per record, one per sprite in the engine's order.
std::string StateText(const Match& match);
// FNV-1a, 64 bits.
uint64_t HashOf(std::string_view text);

} // namespace vl::match
