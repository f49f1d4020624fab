// SPDX-License-Identifier: GPL-3.0-or-later
// Player: the two hovercraft. Each frame the craft reads its player's keys, moves one pixel
// up or down with its radar probe and its pitch, switches idle and moving sounds, and fires.
#pragma once

#include <cstdint>

#include "match/MatchSprite.h"
#include "match/Side.h"

namespace vl::match {

// One craft; the left and right twins differ only in the table of their side. A craft runs
// no collision pass of its own: the other player's shots find it, pixel-exactly.
// The heights a craft's top can take: it climbs no higher than kCraftTop and sinks no lower
// than kCraftBottom.
inline constexpr int32_t kCraftTop = 0;
inline constexpr int32_t kCraftBottom = 315;

template <Side S> class TCraft final : public TMatchSprite {
public:
    using TMatchSprite::TMatchSprite;
    // The seven steps of a frame: idle check, up, down, gun, missile, machine gun, magnet.
    // "emptygun" is played with wait, so an empty weapon pauses the whole match for its
    // click. Throws the banks' errors when a sound or picture item is missing.
    void OnMove(int32_t moveCount) override;
};

using TPlayer1 = TCraft<Side::Left>;
using TPlayer2 = TCraft<Side::Right>;

extern template class TCraft<Side::Left>;
extern template class TCraft<Side::Right>;

} // namespace vl::match
