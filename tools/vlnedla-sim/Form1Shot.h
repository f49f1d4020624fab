// SPDX-License-Identifier: GPL-3.0-or-later
// Form1Shot: a picture of the match window's back surface as a binary PPM file, for the
// simulator's `shot` command and its tests to look at what the match drew.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "container/Error.h"
#include "graphics/DXDraw.h"
#include "graphics/DirectDrawSurface.h"

namespace vl::sim {

// The shot's file could not be written.
class EShotError : public Error {
public:
    using Error::Error;
};

// The surface as a P6 PPM image: "P6\n<w> <h>\n255\n", then 8-bit RGB, top row first.
// Empty when the surface has no pixels.
std::vector<uint8_t> EncodePpm(const graphics::TDirectDrawSurface& surface);

// Writes the display's back surface, as it stands, to `path`. Returns false and writes
// nothing while the display is not initialised; throws EShotError ("Cannot write shot
// %s") when the file cannot be written.
bool WriteShot(graphics::TCustomDXDraw& display, const std::string& path);

} // namespace vl::sim
