// SPDX-License-Identifier: GPL-3.0-or-later
// FontCache: SDL2_ttf's initialisation held by reference, the sans-serif face found once
// through fontconfig, and its sizes opened once each.
#include "graphics/FontCache.h"

#include <fontconfig/fontconfig.h>

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
    // A private configuration, so nothing of fontconfig's stays alive past this call.
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) return facePath_;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    if (pattern) {
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(config, pattern, &result);
        if (match) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
                facePath_ = reinterpret_cast<const char*>(file);
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }
    FcConfigDestroy(config);
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
