// SPDX-License-Identifier: GPL-3.0-or-later
// MatchSprite: the base of the match's own moving sprites (craft, probes, shots, pickup) —
// their hooks reach the records, flags, timers and sounds through the match that made them.
#pragma once

#include "sprite/ImageSprite.h"

namespace vl::match {

class Match;

class TMatchSprite : public sprite::TImageSprite {
public:
    TMatchSprite(sprite::TSprite* parent, Match& match) : TImageSprite(parent), match_(match) {}

protected:
    Match& TheMatch() const { return match_; }

private:
    Match& match_; // outlives every sprite: the match closes before its window's engine goes
};

} // namespace vl::match
