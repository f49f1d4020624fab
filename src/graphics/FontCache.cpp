// SPDX-License-Identifier: GPL-3.0-or-later
// FontCache: SDL2_ttf's initialisation held by reference, the sans-serif face found once
// (fontconfig; on Windows the font beside the program), and its sizes opened once each.
#include "graphics/FontCache.h"

#include "platform/SdlToolkit.h"

namespace vl::graphics {

TtfLibrary::TtfLibrary() : ok_(TTF_Init() == 0) {}

TtfLibrary::~TtfLibrary() {
    if (ok_) TTF_Quit(); // SDL2_ttf counts Init/Quit pairs itself
}

FontCache::FontCache() = default;
FontCache::~FontCache() = default;

const std::string& FontCache::FacePath() {
    if (searched_) return facePath_;
    searched_ = true;
    facePath_ = platform::FindSansSerifFont();
    return facePath_;
}

TTF_Font* FontCache::Font(int points) {
    auto it = fonts_.find(points);
    if (it != fonts_.end()) return it->second.get();
    TTF_Font* font = nullptr;
    if (library_.Ok() && points > 0 && !FacePath().empty())
        font = TTF_OpenFontDPI(facePath_.c_str(), points, 96, 96);
    fonts_[points].reset(font);
    return font;
}

} // namespace vl::graphics
