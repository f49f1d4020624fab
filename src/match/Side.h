// SPDX-License-Identifier: GPL-3.0-or-later
// Side: left (player 1) and right (player 2), the parameter of every twin of the match —
// craft, projectiles, magnets and radar probes differ only in direction, record, keys and pan.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "input/InputStates.h"

namespace vl::match {

enum class Side : uint8_t { Left, Right };

// Everything in which the right player differs from the left one, in one place.
struct SideTable {
    int32_t pan;    // every sound of the player is panned fully to their side
    int32_t player; // the number saynumber and sayword take
    // Input states of the keys.
    int up, down, gun, missile, machgun, magnet;
    int firstCounterKey; // energy, bullets, missiles, machine-gun rounds: four in a row
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
    {-10000,
     1,
     input::InputButton11,
     input::InputButton12,
     input::InputButton15,
     input::InputButton16,
     input::InputButton25,
     input::InputButton13,
     input::InputButton5,
     "tankstoji",
     "tankjede",
     "navig1",
     "snavigleft",
     "alertleft",
     "tanklevy",
     "strelaleva",
     "missileleft",
     "magnetleft",
     31,
     0,
     141,
     141,
     94800},
    {10000,
     2,
     input::InputUp,
     input::InputDown,
     input::InputButton1,
     input::InputButton2,
     input::InputButton10,
     input::InputLeft,
     input::InputButton17,
     "tankstoji2",
     "tankjede2",
     "navig2",
     "snavigright",
     "alertright",
     "tankpravy",
     "strelaprava",
     "missileright",
     "magnetright",
     395,
     315,
     365,
     153,
     19200},
}};

constexpr const SideTable& SideOf(Side s) {
    return kSideTables[static_cast<size_t>(s)];
}

constexpr Side Opposite(Side s) {
    return s == Side::Left ? Side::Right : Side::Left;
}
// A side's movement and weapon states, in this order: up, down, gun, missile, machine
// gun, magnet (what a computer player sets, and a duel's input word carries).
constexpr std::array<int, 6> MovesOf(const SideTable& t) {
    return {t.up, t.down, t.gun, t.missile, t.machgun, t.magnet};
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
