// SPDX-License-Identifier: GPL-3.0-or-later
// AppIcon: the game's application icon, drawn from its own pictures — the two hovercraft
// facing each other over water, inside a rounded square. The window shows it to task bars;
// the build writes it as the desktop's icons (packaging/drawicon).
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/PictureCollection.h"

namespace vl::graphics {

// The icon at size x size pixels (size >= 1), rows top first, RGBA with straight alpha,
// 4 bytes a pixel: the left craft ("tanklevy") above, the right one ("tankpravy") below, on
// the water tile ("background1"); every pixel the mean of 8 x 8 samples, the crafts' black
// colour key transparent. Throws EPictureCollectionError ("Image '%s' not found") or
// vl::Error when a picture is missing or empty.
std::vector<uint8_t> DrawAppIcon(const TPictureCollection& pictures, int size);

} // namespace vl::graphics
