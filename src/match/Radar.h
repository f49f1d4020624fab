// SPDX-License-Identifier: GPL-3.0-or-later
// Radar: the invisible probe in front of each craft. An obstacle it overlaps answers with an
// echo at the craft's pitch on the player's side; after a match the left probe sweeps the
// field clear.
#pragma once

#include <cstdint>

#include "match/MatchSprite.h"
#include "match/Side.h"

namespace vl::match {

template <Side S> class TRadar final : public TMatchSprite {
public:
    using TMatchSprite::TMatchSprite;
    // The probe's collision pass; it never moves by itself (its craft moves it).
    void OnMove(int32_t moveCount) override;
    // A field object: the echo, once per object and frame. The left probe, while no match
    // runs, instead kills every field object and pickup it touches.
    void OnCollision(sprite::TSprite& other, bool& stop) override;
};

using Tradarleft = TRadar<Side::Left>;
using Tradarright = TRadar<Side::Right>;

extern template class TRadar<Side::Left>;
extern template class TRadar<Side::Right>;

} // namespace vl::match
