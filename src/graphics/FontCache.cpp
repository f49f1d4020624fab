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

// Keeps `made` in `kept`, in place of the oldest once it holds kKeptTexts.
template <typename T> static void Keep(std::vector<T>& kept, size_t& oldest, T made) {
    if (kept.size() < FontCache::kKeptTexts) {
        kept.push_back(std::move(made));
        return;
    }
    kept[oldest] = std::move(made);
    oldest = (oldest + 1) % FontCache::kKeptTexts;
}

bool FontCache::Extent(int points, std::string_view text, int& w, int& h) {
    for (const Size& s : sizes_)
        if (s.points == points && s.text == text) {
            w = s.w, h = s.h;
            return true;
        }
    TTF_Font* font = Font(points);
    if (font == nullptr || TTF_SizeUTF8(font, std::string(text).c_str(), &w, &h) != 0) return false;
    Keep(sizes_, oldestSize_, Size{points, std::string(text), w, h});
    return true;
}

SDL_Surface* FontCache::Rendered(int points, SDL_Color color, std::string_view text) {
    const uint32_t rgba = uint32_t{color.r} | uint32_t{color.g} << 8 | uint32_t{color.b} << 16 |
                          uint32_t{color.a} << 24;
    for (const Text& t : texts_)
        if (t.points == points && t.rgba == rgba && t.text == text) return t.surface.get();
    TTF_Font* font = Font(points);
    if (font == nullptr) return nullptr;
    std::unique_ptr<SDL_Surface, SurfaceFree> surface(
        TTF_RenderUTF8_Blended(font, std::string(text).c_str(), color));
    if (!surface) return nullptr;
    SDL_SetSurfaceBlendMode(surface.get(), SDL_BLENDMODE_BLEND);
    SDL_Surface* result = surface.get();
    Keep(texts_, oldest_, Text{points, rgba, std::string(text), std::move(surface)});
    return result;
}

} // namespace vl::graphics
