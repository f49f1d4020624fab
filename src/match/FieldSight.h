// SPDX-License-Identifier: GPL-3.0-or-later
// FieldSight: the field as a sighted player sees it at one moment — where both craft are,
// the shots in flight, the obstacles and a pickup that has appeared — with the players'
// counters. Filled by Match::Look; the computer opponent turns it into what a player hears
// (ComputerPlayer::Listen) and decides from that alone.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "match/Properties.h"
#include "match/ShotKind.h"
#include "match/Side.h"

namespace vl::match {

// A sprite's place and size on the field.
struct SeenBox {
    double x = 0, y = 0;
    int32_t width = 0, height = 0;

    double Bottom() const { return y + height; }
    // True when the rows [top, bottom) cross this box's rows.
    bool CrossesRows(double top, double bottom) const { return top < Bottom() && bottom > y; }
    // True when the two boxes share a pixel.
    bool Overlaps(const SeenBox& o) const {
        return CrossesRows(o.y, o.Bottom()) && o.x < x + width && o.x + o.width > x;
    }
};

struct SeenShot {
    ShotKind kind = ShotKind::Bullet;
    Side shooter = Side::Left;
    SeenBox box;
};

struct FieldSight {
    std::array<std::optional<SeenBox>, 2> craft;  // by Side; empty once destroyed
    std::array<std::optional<SeenBox>, 2> probes; // the crafts' radar probes, by Side
    std::array<tproperties, 2> records;           // by Side
    std::vector<SeenShot> shots;
    std::vector<SeenBox> obstacles;
    std::optional<SeenBox> pickup; // only once it has appeared (visible)
    uint8_t pickupKind = 0;        // weaponkind while a pickup is seen
    bool running = false;          // the match is in its running phase

    const std::optional<SeenBox>& Craft(Side s) const { return craft[static_cast<size_t>(s)]; }
    const std::optional<SeenBox>& Probe(Side s) const { return probes[static_cast<size_t>(s)]; }
    const tproperties& Record(Side s) const { return records[static_cast<size_t>(s)]; }
};

} // namespace vl::match
