// SPDX-License-Identifier: GPL-3.0-or-later
// Pickup: the four kinds of weapon pickup — the icon each shows, the word that announces it
// and what collecting it gives the player — in one table.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "match/Properties.h"

namespace vl::match {

// The match's `weaponkind` numbers them 1..4 in this order.
enum class PickupKind : uint8_t { Energy = 1, Bullets, Missiles, Machgun };
inline constexpr int32_t kPickupKinds = 4;

struct PickupTable {
    std::string_view icon; // picture item of the pickup
    std::string_view word; // "…sp": spoken when it appears and when it is collected
    // Gives the collector what the pickup holds; returns the counter's new value, spoken.
    int32_t (*refill)(tproperties& r);
};

inline constexpr std::array<PickupTable, kPickupKinds> kPickupTables = {{
    {"energyicon", "energysp",
     [](tproperties& r) -> int32_t {
         r.energy = 100;
         return r.energy;
     }},
    {"bulleticon", "bulletsp", [](tproperties& r) { return r.bullets += 50; }},
    {"missileicon", "missilesp", [](tproperties& r) { return r.missiles += 1; }},
    {"machgunicon", "machgunsp", [](tproperties& r) { return r.machgunrounds += 100; }},
}};

// The table of `weaponkind` 1..4; null for any other number (a kind set from outside, as the
// simulator's `set` can), which then shows, announces and gives nothing.
constexpr const PickupTable* PickupOf(uint8_t weaponkind) {
    return weaponkind >= 1 && weaponkind <= kPickupKinds ? &kPickupTables[weaponkind - 1U]
                                                         : nullptr;
}

} // namespace vl::match
