// SPDX-License-Identifier: GPL-3.0-or-later
// Side: left (player 1) and right (player 2), the parameter of every twin of the match —
// craft, projectiles, magnets and radar probes differ only in direction, record, sounds,
// pictures and pan. A side's keys are not here: the match reads players' actions
// (input/FrameInput.h), and which keys perform them is input/ActionTable.h.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "input/FrameInput.h"

namespace vl::match {

using input::Opposite;
using input::Side;

// Everything in which the right player differs from the left one, in one place.
struct SideTable {
    int32_t pan;    // every sound of the player is panned fully to their side
    int32_t player; // the number saynumber and sayword take
    // Sound items.
    std::string_view idle, moving, navigation, echo, alarm;
    // Pictures.
    std::string_view craftPicture, bulletPicture, missilePicture, magnetPicture;
    // Places and the start: the craft's X and starting Y, the X its shots and magnets are
    // launched at, its radar probe's X, and the navigation tone's starting frequency.
    double craftX, craftStartY, shotX, radarX;
    uint32_t startNavigFreq;
};

inline constexpr std::array<SideTable, 2> kSideTables = {{
    {-10000, 1, "tankstoji", "tankjede", "navig1", "snavigleft", "alertleft", "tanklevy",
     "strelaleva", "missileleft", "magnetleft", 31, 0, 141, 141, 94800},
    {10000, 2, "tankstoji2", "tankjede2", "navig2", "snavigright", "alertright", "tankpravy",
     "strelaprava", "missileright", "magnetright", 395, 315, 365, 153, 19200},
}};

constexpr const SideTable& SideOf(Side s) {
    return kSideTables[static_cast<size_t>(s)];
}
// Every sound of a player is panned fully to that player's side.
constexpr int32_t PanOf(Side s) {
    return SideOf(s).pan;
}
// The player number `saynumber` and `sayword` take.
constexpr int32_t PlayerOf(Side s) {
    return SideOf(s).player;
}

} // namespace vl::match
