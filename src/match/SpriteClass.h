// SPDX-License-Identifier: GPL-3.0-or-later
// SpriteClass: the class name of a sprite of the match, as the game's classes are called.
#pragma once

#include <string_view>

#include "sprite/Sprite.h"

namespace vl::match {

// "TPlayer1", "Tmissileright", "Tglass", "TBackgrnd", ...; "TSprite" for anything else.
std::string_view SpriteClassName(const sprite::TSprite& sprite);
// The name of the picture item the sprite shows; empty when it has none.
std::string_view SpritePictureName(const sprite::TSprite& sprite);

} // namespace vl::match
