// SPDX-License-Identifier: GPL-3.0-or-later
// FontCache: the text fonts of one display — SDL2_ttf kept initialised while any cache
// lives, and the system's sans-serif face (found through fontconfig) opened once per size
// — and the texts last rendered, so that a counter drawn every frame is rasterised once.
#pragma once

#include <SDL_ttf.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vl::graphics {

// Holds one reference on SDL2_ttf's own reference-counted initialisation.
class TtfLibrary {
public:
    TtfLibrary();
    ~TtfLibrary();
    TtfLibrary(const TtfLibrary&) = delete;
    TtfLibrary& operator=(const TtfLibrary&) = delete;
    bool Ok() const { return ok_; }

private:
    bool ok_ = false;
};

class FontCache {
public:
    FontCache();
    ~FontCache();
    FontCache(const FontCache&) = delete;
    FontCache& operator=(const FontCache&) = delete;

    // The default sans-serif face at `points` (96 dpi, so 12 pt = 16 px). nullptr when
    // no font file can be found or opened (then text is simply not drawn); the failure
    // is remembered so it is not retried every frame.
    TTF_Font* Font(int points);
    // Path of the face fontconfig matched for "sans-serif"; empty if none.
    const std::string& FacePath();
    // `text` in Font(points) and `color`, blended (ARGB, blend mode set), owned by the
    // cache and valid until the next call; nullptr without a font or when SDL2_ttf fails.
    // The last kKeptTexts renderings are kept; beyond that the oldest goes.
    SDL_Surface* Rendered(int points, SDL_Color color, std::string_view text);
    // The size `text` takes in Font(points) (TTF_SizeUTF8), kept like the renderings;
    // false without a font or when SDL2_ttf fails.
    bool Extent(int points, std::string_view text, int& w, int& h);
    static constexpr size_t kKeptTexts = 64;

private:
    struct TtfClose {
        void operator()(TTF_Font* f) const { TTF_CloseFont(f); }
    };
    struct SurfaceFree {
        void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
    };
    struct Text {
        int points;
        uint32_t rgba;
        std::string text;
        std::unique_ptr<SDL_Surface, SurfaceFree> surface;
    };
    struct Size {
        int points;
        std::string text;
        int w, h;
    };
    std::vector<Text> texts_;
    size_t oldest_ = 0; // the next to go once texts_ is full
    std::vector<Size> sizes_;
    size_t oldestSize_ = 0;
    TtfLibrary library_;
    bool searched_ = false;
    std::string facePath_;
    std::map<int, std::unique_ptr<TTF_Font, TtfClose>> fonts_; // null entry = failed
};

} // namespace vl::graphics
