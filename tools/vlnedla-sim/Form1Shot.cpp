// SPDX-License-Identifier: GPL-3.0-or-later
// Form1Shot: the back surface as a P6 PPM file.
#include "Form1Shot.h"

#include <fstream>

namespace vl::sim {

std::vector<uint8_t> EncodePpm(const graphics::TDirectDrawSurface& surface) {
    std::vector<uint8_t> out;
    if (!surface.Exists()) return out;
    const int32_t w = surface.Width(), h = surface.Height();
    const std::string header = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    out.reserve(header.size() + static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
    out.assign(header.begin(), header.end());
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            // Stored pixels are XRGB8888: red in bits 16-23, blue in the low byte.
            const uint32_t p = surface.Pixel(x, y);
            out.push_back(static_cast<uint8_t>(p >> 16));
            out.push_back(static_cast<uint8_t>(p >> 8));
            out.push_back(static_cast<uint8_t>(p));
        }
    return out;
}

bool WriteShot(graphics::TCustomDXDraw& display, const std::string& path) {
    if (!display.Initialized() || !display.Surface().Exists()) return false;
    const std::vector<uint8_t> bytes = EncodePpm(display.Surface());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file)
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    if (!file) throw EShotError(Format("Cannot write shot %s", {path}));
    return true;
}

} // namespace vl::sim
