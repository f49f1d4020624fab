// SPDX-License-Identifier: GPL-3.0-or-later
// Side: left (player 1) and right (player 2), the parameter of every twin of the match —
// craft, projectiles, magnets and radar probes differ only in direction, record, keys and pan.
#pragma once

#include <cstdint>

namespace vl::match {

enum class Side : uint8_t { Left, Right };

constexpr Side Opposite(Side s) {
    return s == Side::Left ? Side::Right : Side::Left;
}
// Every sound of a player is panned fully to that player's side.
constexpr int32_t PanOf(Side s) {
    return s == Side::Left ? -10000 : 10000;
}
// The player number `saynumber` and `sayword` take.
constexpr int32_t PlayerOf(Side s) {
    return s == Side::Left ? 1 : 2;
}

} // namespace vl::match
