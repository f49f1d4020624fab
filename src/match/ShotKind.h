// SPDX-License-Identifier: GPL-3.0-or-later
// ShotKind: what a craft sends across the field, and how far below the craft's top each
// kind is launched.
#pragma once

#include <cstdint>

namespace vl::match {

enum class ShotKind : uint8_t { Bullet, Missile, Machgun, Magnet };

// Pixels below the craft's top a shot of `kind` starts at.
constexpr int32_t LaunchDrop(ShotKind kind) {
    return kind == ShotKind::Machgun ? 13 : kind == ShotKind::Magnet ? 5 : 10;
}

} // namespace vl::match
