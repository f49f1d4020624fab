// SPDX-License-Identifier: GPL-3.0-or-later
// MatchSprite: the base of the match's own image sprites — they reach the players' records,
// the match's flags, timers and sounds through the match window that owns them.
#pragma once

#include "sprite/ImageSprite.h"

namespace vl::match {

class TForm1;

class TMatchSprite : public sprite::TImageSprite {
public:
    TMatchSprite(sprite::TSprite* parent, TForm1& form) : TImageSprite(parent), form_(form) {}

protected:
    TForm1& Form() const { return form_; }

private:
    TForm1& form_; // outlives every sprite: the sprites live in its engine
};

} // namespace vl::match
