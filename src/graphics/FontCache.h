// SPDX-License-Identifier: GPL-3.0-or-later
// FontCache: the text fonts of one display — SDL2_ttf kept initialised while any cache
// lives, and the system's sans-serif face (found through fontconfig) opened once per size.
#pragma once

#include <SDL_ttf.h>

#include <map>
#include <memory>
#include <string>

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

private:
    struct TtfClose {
        void operator()(TTF_Font* f) const { TTF_CloseFont(f); }
    };
    TtfLibrary library_;
    bool searched_ = false;
    std::string facePath_;
    std::map<int, std::unique_ptr<TTF_Font, TtfClose>> fonts_; // null entry = failed
};

} // namespace vl::graphics
