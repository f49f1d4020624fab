// SPDX-License-Identifier: GPL-3.0-or-later
// Backgrnd: the field's background picture, tiled under every other sprite.
#pragma once

#include "sprite/BackgroundSprite.h"

namespace vl::match {

// A background sprite without behaviour of its own.
class TBackgrnd final : public sprite::TBackgroundSprite {
public:
    using TBackgroundSprite::TBackgroundSprite;
};

} // namespace vl::match
