// SPDX-License-Identifier: GPL-3.0-or-later
// DataHash: the hash of the data that decide a match — the pictures and the match bank's
// effects, never its spoken words — as the program in `language` reads them. Two programs
// with the same hash play the same match from the same seed and inputs: a duel's handshake
// and a replay compare it.
#pragma once

#include <cstdint>

#include "settings/Language.h"

namespace vl::match {

uint64_t MatchDataHash(const settings::Language& language);

} // namespace vl::match
