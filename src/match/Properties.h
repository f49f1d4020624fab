// SPDX-License-Identifier: GPL-3.0-or-later
// Properties: the per-player record of a match — energy, ammunition, fire locks and the
// flags of the player's continuous sounds.
#pragma once

#include <cstdint>

namespace vl::match {

// A plain record, one per player (`propertiesleft`, `propertiesright`); a new one has every
// number 0 and every flag false. Field order and widths are those the match reads and the
// status display shows: energy is a byte (0..255), the counters signed 32-bit and never
// below 0.
struct tproperties {
    uint8_t energy = 0;
    int32_t navigfreq = 0; // Hz of the craft's navigation tone: 94800 - 240 x its Y
    bool moving = false;   // the moving sound plays instead of the idle one
    bool navigon = false;  // the navigation tone starts and stops with the match
    uint8_t blinkcount = 0;
    int32_t bullets = 0;
    bool bulletflying = false;
    int32_t missiles = 0;
    bool missileflying = false;
    int32_t machgunrounds = 0;
    bool machgunlock = false; // machine-gun cooldown; cleared by its 100 ms timer
    bool alarmon = false;     // the low-energy alarm is sounding
    bool magnetflying = false;
};

} // namespace vl::match
