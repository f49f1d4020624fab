// SPDX-License-Identifier: GPL-3.0-or-later
// drawpics: draws every picture of the match (craft, shots, obstacles, pickups, counter icons,
// backgrounds) as binary PPM files and writes the manifest that packs them into pics/game.dat.
//
// usage: drawpics OUTDIR   -> OUTDIR/NAME.ppm for every picture, then OUTDIR/manifest.txt
//
// Shapes are described by signed distance functions (negative inside, in pixels) and filled
// with 4 x 4 samples per pixel, so edges between parts of one sprite are smooth. The outer
// edge of a sprite stays hard: the game keys pure black out, so a pixel is either drawn or
// not, and a dark outline gives the silhouette its edge instead. Pure black therefore never
// appears inside a sprite. Everything is deterministic: the same program draws the same bytes.
//
// Sections:
//   1. colours and the canvas
//   2. shapes and filling
//   3. outlines and PPM output
//   4. symbols shared by pickups and counter icons
//   5. craft and radar
//   6. shots
//   7. obstacles
//   8. pickups and counter icons
//   9. backgrounds (seamless 64 x 64 tiles)
//  10. the picture list and main

#include "container/Error.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace vl::assets {
namespace {

// --- 1. colours and the canvas ---------------------------------------------------------------

struct Rgb {
    float r = 0, g = 0, b = 0; // 0..1
};

constexpr Rgb Hex(int r, int g, int b) {
    return {r / 255.0f, g / 255.0f, b / 255.0f};
}
Rgb Mix(Rgb a, Rgb b, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb Scale(Rgb a, float k) {
    return {a.r * k, a.g * k, a.b * k};
}
float Clamp01(float v) {
    return std::clamp(v, 0.0f, 1.0f);
}

// A picture being drawn: colour and coverage per pixel, transparent where nothing was drawn.
class Canvas {
public:
    Canvas(int width, int height)
        : width_(width), height_(height), colour_(static_cast<size_t>(width * height)),
          alpha_(static_cast<size_t>(width * height), 0.0f) {}

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // Lays `c` over pixel (x, y) with the given coverage ("over" compositing); outside the
    // picture nothing happens.
    void Blend(int x, int y, Rgb c, float coverage) {
        if (!Inside(x, y) || coverage <= 0) return;
        const size_t i = Index(x, y);
        const float a = alpha_[i];
        const float out = coverage + a * (1 - coverage);
        const float keep = a * (1 - coverage) / out;
        colour_[i] = {c.r * coverage / out + colour_[i].r * keep,
                      c.g * coverage / out + colour_[i].g * keep,
                      c.b * coverage / out + colour_[i].b * keep};
        alpha_[i] = out;
    }
    void SetColour(int x, int y, Rgb c) { colour_[Index(x, y)] = c; }
    Rgb Colour(int x, int y) const { return colour_[Index(x, y)]; }
    // Drawn pixels are the ones at least half covered; the rest become the colour key.
    bool Opaque(int x, int y) const { return Inside(x, y) && alpha_[Index(x, y)] >= 0.5f; }

    // The picture flipped left to right: the right player's twin of a left-player sprite.
    Canvas Mirrored() const {
        Canvas m(width_, height_);
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                const size_t from = Index(width_ - 1 - x, y), to = Index(x, y);
                m.colour_[to] = colour_[from];
                m.alpha_[to] = alpha_[from];
            }
        }
        return m;
    }

private:
    size_t Index(int x, int y) const { return static_cast<size_t>(y * width_ + x); }

    int width_, height_;
    std::vector<Rgb> colour_;
    std::vector<float> alpha_;
};

// A small deterministic generator (splitmix64): the pictures must come out the same on every
// build, so nothing depends on the library's unspecified engines or distributions.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    float Uniform() { return static_cast<float>(Next() >> 40) / static_cast<float>(1 << 24); }
    float Range(float lo, float hi) { return lo + (hi - lo) * Uniform(); }

private:
    uint64_t state_;
};

// A hash of a lattice point into 0..1, for grain that is fixed per pixel.
float Hash01(uint32_t x, uint32_t y, uint32_t seed) {
    uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return static_cast<float>(h >> 8) / static_cast<float>(1 << 24);
}

// --- 2. shapes and filling -------------------------------------------------------------------

using Sdf = std::function<float(float, float)>;
using Shade = std::function<Rgb(float, float, float)>; // x, y, distance at the pixel centre

// Fills the shape `sdf` (< 0 inside) with `shade`, coverage from 4 x 4 samples per pixel.
void Fill(Canvas& c, const Sdf& sdf, const Shade& shade) {
    for (int y = 0; y < c.Height(); ++y) {
        for (int x = 0; x < c.Width(); ++x) {
            int inside = 0;
            for (int sy = 0; sy < 4; ++sy) {
                for (int sx = 0; sx < 4; ++sx) {
                    if (sdf(x + (sx + 0.5f) / 4, y + (sy + 0.5f) / 4) < 0) ++inside;
                }
            }
            if (inside == 0) continue;
            const float cx = x + 0.5f, cy = y + 0.5f;
            c.Blend(x, y, shade(cx, cy, sdf(cx, cy)), inside / 16.0f);
        }
    }
}
void Fill(Canvas& c, const Sdf& sdf, Rgb colour) {
    Fill(c, sdf, [colour](float, float, float) { return colour; });
}

// A line of the given width along the edge of `sdf`.
Sdf Stroke(Sdf sdf, float width) {
    return
        [sdf = std::move(sdf), width](float x, float y) { return std::abs(sdf(x, y)) - width / 2; };
}
Sdf Union(Sdf a, Sdf b) {
    return [a = std::move(a), b = std::move(b)](float x, float y) {
        return std::min(a(x, y), b(x, y));
    };
}
Sdf Intersect(Sdf a, Sdf b) {
    return [a = std::move(a), b = std::move(b)](float x, float y) {
        return std::max(a(x, y), b(x, y));
    };
}

Sdf Circle(float cx, float cy, float r) {
    return [=](float x, float y) { return std::hypot(x - cx, y - cy) - r; };
}
// Rounded box given by its corners (x0, y0)-(x1, y1) and corner radius r.
Sdf Box(float x0, float y0, float x1, float y1, float r = 0) {
    const float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2, hx = (x1 - x0) / 2, hy = (y1 - y0) / 2;
    return [=](float x, float y) {
        const float qx = std::abs(x - cx) - hx + r, qy = std::abs(y - cy) - hy + r;
        return std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) +
               std::min(std::max(qx, qy), 0.0f) - r;
    };
}
// Approximate distance to an axis-aligned ellipse: exact on the axes, close enough for fills.
Sdf Ellipse(float cx, float cy, float rx, float ry) {
    return [=](float x, float y) {
        return (std::hypot((x - cx) / rx, (y - cy) / ry) - 1) * std::min(rx, ry);
    };
}
// A capsule: the segment (ax, ay)-(bx, by) thickened by r.
Sdf Segment(float ax, float ay, float bx, float by, float r) {
    return [=](float x, float y) {
        const float px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
        const float h = std::clamp((px * dx + py * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
        return std::hypot(px - dx * h, py - dy * h) - r;
    };
}
// Signed distance to a simple polygon (even-odd inside test, exact edge distance).
Sdf Polygon(std::vector<std::pair<float, float>> pts) {
    return [pts = std::move(pts)](float x, float y) {
        float best = 1e9f;
        bool inside = false;
        for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
            const auto [xi, yi] = pts[i];
            const auto [xj, yj] = pts[j];
            const float ex = xj - xi, ey = yj - yi, wx = x - xi, wy = y - yi;
            const float h = std::clamp((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0f, 1.0f);
            best = std::min(best, std::hypot(wx - ex * h, wy - ey * h));
            if ((yi > y) != (yj > y) && x < xi + (y - yi) * ex / ey) inside = !inside;
        }
        return inside ? -best : best;
    };
}
// `sdf` seen through a rotation by `angle` (radians, counter-clockwise on screen) about (cx, cy).
Sdf Rotated(Sdf sdf, float cx, float cy, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    return [sdf = std::move(sdf), cx, cy, c, s](float x, float y) {
        const float dx = x - cx, dy = y - cy;
        return sdf(cx + dx * c - dy * s, cy + dx * s + dy * c);
    };
}

// Shading of a raised part lit from above: brighter at the top of its span [y0, y1], darker
// within `bevel` pixels of its edge.
Shade Lit(Rgb base, float y0, float y1, float bevel = 2.5f) {
    return [=](float, float y, float d) {
        const float t = Clamp01((y - y0) / std::max(y1 - y0, 1.0f));
        const float rim = Clamp01(-d / bevel);
        return Scale(base, (1.18f - 0.38f * t) * (0.72f + 0.28f * rim));
    };
}

// --- 3. outlines and PPM output --------------------------------------------------------------

// Darkens every drawn pixel that borders an undrawn one (or the picture's edge): the outline
// that separates a keyed sprite from any background.
void Outline(Canvas& c, Rgb ink, float strength = 0.75f) {
    std::vector<std::pair<int, int>> edge;
    for (int y = 0; y < c.Height(); ++y) {
        for (int x = 0; x < c.Width(); ++x) {
            if (c.Opaque(x, y) && (!c.Opaque(x - 1, y) || !c.Opaque(x + 1, y) ||
                                   !c.Opaque(x, y - 1) || !c.Opaque(x, y + 1)))
                edge.emplace_back(x, y);
        }
    }
    for (auto [x, y] : edge) c.SetColour(x, y, Mix(c.Colour(x, y), ink, strength));
}

uint8_t Byte(float v) {
    return static_cast<uint8_t>(std::lround(Clamp01(v) * 255));
}

// Writes `c` as binary PPM. A keyed picture writes undrawn pixels as pure black (the colour
// key) and lifts any drawn pixel that would come out pure black; an opaque picture writes every
// pixel as it is. Throws vl::Error when the file cannot be written.
void WritePpm(const std::filesystem::path& path, const Canvas& c, bool keyed) {
    std::string bytes =
        "P6\n" + std::to_string(c.Width()) + " " + std::to_string(c.Height()) + "\n255\n";
    for (int y = 0; y < c.Height(); ++y) {
        for (int x = 0; x < c.Width(); ++x) {
            std::array<uint8_t, 3> px{0, 0, 0};
            if (!keyed || c.Opaque(x, y)) {
                const Rgb v = c.Colour(x, y);
                px = {Byte(v.r), Byte(v.g), Byte(v.b)};
                if (keyed && px[0] < 8 && px[1] < 8 && px[2] < 8) px = {8, 8, 10};
            }
            bytes.append(reinterpret_cast<const char*>(px.data()), px.size());
        }
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw Error("drawpics: cannot write " + path.string());
}

// --- 4. symbols shared by pickups and counter icons --------------------------------------------

constexpr Rgb kInk = Hex(22, 24, 30);
constexpr Rgb kBrass = Hex(214, 172, 74);
constexpr Rgb kCopper = Hex(206, 112, 62);
constexpr Rgb kSteel = Hex(168, 174, 182);

// A lightning bolt s pixels high centred on (cx, cy).
void DrawBolt(Canvas& c, float cx, float cy, float s) {
    std::vector<std::pair<float, float>> pts = {{0.14f, -0.5f}, {-0.28f, 0.07f}, {-0.02f, 0.07f},
                                                {-0.14f, 0.5f}, {0.28f, -0.07f}, {0.02f, -0.07f}};
    for (auto& [u, v] : pts) u = cx + u * s, v = cy + v * s;
    const Sdf bolt = Polygon(pts);
    Fill(c, bolt, [=](float, float y, float) {
        return Mix(Hex(255, 244, 150), Hex(250, 176, 40), (y - (cy - s / 2)) / s);
    });
    Fill(c, Stroke(bolt, 0.8f), Hex(150, 90, 20));
}

// An upright cartridge s pixels high centred on (cx, cy).
void DrawCartridge(Canvas& c, float cx, float cy, float s) {
    const float w = 0.2f * s, shoulder = cy - 0.08f * s;
    Fill(c, Box(cx - w, shoulder, cx + w, cy + 0.5f * s, 0.06f * s),
         Lit(kBrass, shoulder, cy + s / 2));
    Fill(c, Intersect(Ellipse(cx, shoulder, w, 0.42f * s), Box(cx - w, cy - s, cx + w, shoulder)),
         Lit(kCopper, cy - s / 2, shoulder));
    Fill(c, Box(cx - w, cy + 0.36f * s, cx + w, cy + 0.42f * s), Scale(kBrass, 0.6f));
}

// A missile s pixels long centred on (cx, cy), pointing up and to the right.
void DrawMissileSymbol(Canvas& c, float cx, float cy, float s) {
    const float a = static_cast<float>(std::numbers::pi / 4); // body drawn along +x, turned 45°
    const float l = s / 2, r = 0.13f * s;
    auto turned = [&](Sdf sdf) { return Rotated(std::move(sdf), cx, cy, a); };
    Fill(c,
         turned(Polygon({{cx - l, cy - 2.6f * r},
                         {cx - l + 2.4f * r, cy - r},
                         {cx - l + 2.4f * r, cy + r},
                         {cx - l, cy + 2.6f * r}})),
         Hex(196, 48, 44));
    Fill(c, turned(Box(cx - l + r, cy - r, cx + l - 2 * r, cy + r, r * 0.6f)), Hex(232, 234, 236));
    Fill(c,
         turned(Intersect(Ellipse(cx + l - 2 * r, cy, 2 * r, r),
                          Box(cx + l - 2 * r, cy - s, cx + s, cy + s))),
         Hex(214, 52, 46));
    Fill(c, turned(Ellipse(cx - l + 0.4f * r, cy, 1.1f * r, 0.7f * r)), Hex(255, 190, 60));
}

// Three cartridges of a machine-gun belt, s pixels high, centred on (cx, cy).
void DrawRounds(Canvas& c, float cx, float cy, float s) {
    Fill(c, Box(cx - 0.62f * s, cy + 0.18f * s, cx + 0.62f * s, cy + 0.34f * s, 0.04f * s),
         Hex(96, 84, 60));
    for (int i = -1; i <= 1; ++i) DrawCartridge(c, cx + i * 0.4f * s, cy - 0.05f * s, 0.8f * s);
}

// --- 5. craft and radar ----------------------------------------------------------------------

struct CraftColours {
    Rgb hull, accent;
};

// A hovercraft seen from above, 110 x 33, bow and gun to the right: rubber skirt, deck, two
// lift fans at the stern, glass cockpit, turret with a barrel that reaches past the skirt.
Canvas DrawCraft(CraftColours colours) {
    Canvas c(110, 33);
    const Rgb rubber = Hex(74, 76, 84), hullDark = Scale(colours.hull, 0.55f);

    const Sdf skirt = Box(1, 1, 102, 32, 12);
    Fill(c, skirt, [&](float x, float y, float d) {
        // Segments of the skirt: a darker seam every 7 pixels on its outer band.
        const bool seam = d > -4.5f && std::fmod(x + 0.5f, 7.0f) < 1.0f;
        return Scale(Lit(rubber, 1, 32, 3)(x, y, d), seam ? 0.7f : 1.0f);
    });
    const Sdf deck = Box(5, 5, 97, 28, 8);
    Fill(c, deck, Lit(colours.hull, 5, 28, 3));
    Fill(c, Stroke(Box(9, 8.5f, 92, 24.5f, 6), 0.8f), hullDark);
    Fill(c, Box(24, 6.6f, 46, 8.2f, 0.6f), colours.accent);
    Fill(c, Box(24, 24.8f, 46, 26.4f, 0.6f), colours.accent);

    for (float fy : {11.0f, 22.0f}) { // lift fans
        Fill(c, Circle(17, fy, 5.6f), Lit(kSteel, fy - 5.6f, fy + 5.6f, 1.5f));
        Fill(c, Circle(17, fy, 4.3f), [fy](float x, float y, float) {
            const float turn =
                std::atan2(y - fy, x - 17) / static_cast<float>(2 * std::numbers::pi);
            const bool blade = std::fmod(turn * 5 + 5.25f, 1.0f) < 0.35f;
            return blade ? Hex(120, 126, 134) : Hex(38, 42, 50);
        });
        Fill(c, Circle(17, fy, 1.3f), Hex(196, 196, 180));
    }

    const Sdf canopy = Ellipse(60, 16.5f, 14, 6.6f);
    Fill(c, canopy, [](float x, float y, float) {
        const float t = Clamp01((y - 10) / 13);
        const Rgb glass = Mix(Hex(176, 226, 250), Hex(36, 84, 146), t);
        const float shine = std::hypot((x - 55) / 6, (y - 13) / 1.6f);
        return shine < 1 ? Mix(glass, Hex(236, 248, 255), 1 - shine) : glass;
    });
    Fill(c, Stroke(canopy, 1.0f), hullDark);

    Fill(c, Circle(84, 16.5f, 6), Lit(kSteel, 10.5f, 22.5f, 2));
    Fill(c, Segment(86, 16.5f, 107.4f, 16.5f, 2.2f), Lit(Hex(140, 146, 154), 14.3f, 18.7f, 1.2f));
    Fill(c, Box(102.5f, 13.6f, 108.8f, 19.4f, 1), Lit(Hex(104, 108, 116), 13.6f, 19.4f, 1));
    Fill(c, Circle(84, 16.5f, 2.2f), Scale(kSteel, 0.6f));

    Outline(c, kInk);
    return c;
}

// The radar probe's extent in front of a craft; never drawn, so a plain bar.
Canvas DrawRadar() {
    Canvas c(212, 12);
    Fill(c, Box(0, 0, 212, 12), Hex(60, 150, 90));
    return c;
}

// --- 6. shots (all drawn flying to the right; the right player's are mirrored) ----------------

Canvas DrawBullet() { // 24 x 8
    Canvas c(24, 8);
    Fill(c, Box(0.5f, 1, 15, 7, 1.2f), Lit(kBrass, 1, 7, 1.5f));
    Fill(c, Intersect(Ellipse(15, 4, 8.6f, 3), Box(14.5f, 0, 24, 8)), Lit(kCopper, 1, 7, 1.5f));
    Fill(c, Box(3, 1, 4.4f, 7), Scale(kBrass, 0.62f));
    Outline(c, Hex(60, 40, 20), 0.6f);
    return c;
}

Canvas DrawMissile() { // 30 x 10
    Canvas c(30, 10);
    Fill(c, Ellipse(3.6f, 5, 3.6f, 2), [](float x, float, float) {
        return Mix(Hex(255, 236, 120), Hex(250, 110, 30), 1 - x / 7);
    });
    Fill(c, Polygon({{5, 4}, {7, 0.2f}, {12, 0.2f}, {14, 4}}), Lit(Hex(196, 44, 40), 0, 4, 1));
    Fill(c, Polygon({{5, 6}, {7, 9.8f}, {12, 9.8f}, {14, 6}}), Lit(Hex(196, 44, 40), 6, 10, 1));
    Fill(c, Box(6, 2.4f, 24, 7.6f, 2), Lit(Hex(226, 228, 232), 2.4f, 7.6f, 1.5f));
    Fill(c, Intersect(Ellipse(24, 5, 5.8f, 2.6f), Box(23.5f, 0, 30, 10)),
         Lit(Hex(210, 48, 42), 2.4f, 7.6f, 1));
    Fill(c, Box(16, 2.4f, 17.4f, 7.6f), Hex(90, 94, 102));
    Outline(c, kInk, 0.6f);
    return c;
}

Canvas DrawMachineGunRound() { // 8 x 4, the same both ways
    Canvas c(8, 4);
    Fill(c, Segment(1.8f, 2, 6.2f, 2, 1.75f), [](float, float, float d) {
        return Mix(Hex(255, 246, 170), Hex(244, 132, 36), Clamp01(1 + d / 1.2f));
    });
    return c;
}

// A horseshoe magnet, 20 x 20, its poles toward the direction of flight (right).
Canvas DrawMagnet() {
    Canvas c(20, 20);
    const Sdf bend = Intersect(Stroke(Circle(8.5f, 10, 6.25f), 5.5f), Box(-1, 0, 8.5f, 20));
    const Sdf arms = Union(Box(8.3f, 0.75f, 18.6f, 6.5f), Box(8.3f, 13.5f, 18.6f, 19.25f));
    Fill(c, Union(bend, arms), [](float x, float y, float d) {
        const Rgb red = Hex(214, 46, 46);
        return Lit(red, 0.75f, 19.25f, 2)(x, y, d);
    });
    Fill(c, Union(Box(14.6f, 0.75f, 18.6f, 6.5f), Box(14.6f, 13.5f, 18.6f, 19.25f)),
         Lit(Hex(210, 214, 220), 0.75f, 19.25f, 1.5f));
    Outline(c, kInk);
    return c;
}

// --- 7. obstacles ----------------------------------------------------------------------------

Canvas DrawAlarm() { // 40 x 30: a flashing beacon on its base
    Canvas c(40, 30);
    Fill(c, Intersect(Ellipse(20, 23.5f, 11, 15.5f), Box(0, 0, 40, 23.5f)),
         [](float x, float y, float d) {
             const Rgb red = Lit(Hex(226, 40, 36), 8, 23.5f, 2)(x, y, d);
             const float shine = std::hypot((x - 16) / 2.6f, (y - 14) / 4.5f);
             return shine < 1 ? Mix(red, Hex(255, 196, 180), 1 - shine) : red;
         });
    Fill(c, Box(5, 22.5f, 35, 29.5f, 1.5f), Lit(Hex(92, 94, 106), 22.5f, 29.5f, 1.5f));
    Fill(c, Box(9, 25, 31, 26.2f), Hex(60, 62, 72));
    Outline(c, kInk);
    // The light rays come after the outline: two pixels wide, they would be all outline.
    const Rgb ray = Hex(255, 222, 70);
    for (auto [ax, ay, bx, by] : std::array<std::array<float, 4>, 4>{
             {{7.5f, 11, 3, 6.5f}, {32.5f, 11, 37, 6.5f}, {6, 18, 1.2f, 18}, {34, 18, 38.8f, 18}}})
        Fill(c, Segment(ax, ay, bx, by, 1.0f), ray);
    return c;
}

Canvas DrawGlass() { // 40 x 32: a window pane in its frame
    Canvas c(40, 32);
    const Rgb wood = Hex(156, 104, 60);
    Fill(c, Box(1, 1, 39, 31, 2), Lit(wood, 1, 31, 2));
    Fill(c, Box(4, 4, 36, 28, 1), [](float x, float y, float) {
        const bool streak = std::fmod(x + y + 40, 15.0f) < 2.4f;
        return streak ? Hex(232, 246, 255) : Mix(Hex(180, 222, 242), Hex(120, 180, 214), y / 32);
    });
    Fill(c, Union(Box(19, 4, 21, 28), Box(4, 15, 36, 17)), Lit(wood, 4, 28, 1));
    Outline(c, kInk);
    return c;
}

Canvas DrawCamera() { // 40 x 28: a photo camera seen from the front
    Canvas c(40, 28);
    const Sdf body = Box(1, 5, 39, 27, 3);
    Fill(c, Box(13, 1, 27, 8, 1.5f), Lit(Hex(64, 66, 76), 1, 8, 1));
    Fill(c, body, Lit(Hex(84, 88, 100), 5, 27, 2.5f));
    Fill(c, Intersect(body, Box(0, 11, 40, 22)), [](float x, float y, float) {
        return Scale(Hex(56, 56, 62),
                     0.9f + 0.2f * Hash01(static_cast<uint32_t>(x), static_cast<uint32_t>(y), 7));
    });
    Fill(c, Circle(20, 16, 8.5f), Lit(Hex(196, 200, 208), 7.5f, 24.5f, 2));
    Fill(c, Circle(20, 16, 6.3f), [](float, float y, float) {
        return Mix(Hex(70, 100, 160), Hex(24, 36, 80), (y - 9.7f) / 12.6f);
    });
    Fill(c, Circle(17.6f, 13.6f, 1.8f), Hex(206, 224, 255));
    Fill(c, Box(30, 7, 36, 10, 0.5f), Hex(236, 234, 214));
    Fill(c, Box(4.5f, 2.5f, 10, 5.5f, 0.8f), Hex(204, 52, 42));
    Outline(c, kInk);
    return c;
}

Canvas DrawPhone() { // 40 x 26: a rotary telephone
    Canvas c(40, 26);
    const Rgb shell = Hex(44, 130, 98);
    Fill(c, Polygon({{7, 11}, {33, 11}, {38.5f, 25}, {1.5f, 25}}), Lit(shell, 11, 25, 2));
    Fill(c,
         Union(Segment(8, 5, 32, 5, 3),
               Union(Box(1.5f, 2.5f, 11, 10, 2.2f), Box(29, 2.5f, 38.5f, 10, 2.2f))),
         Lit(Scale(shell, 1.12f), 2, 10, 2));
    Fill(c, Circle(20, 18.2f, 5.6f), Lit(Hex(236, 230, 210), 12.6f, 23.8f, 1.5f));
    for (int i = 0; i < 8; ++i) {
        const double a = -2.2 + i * 0.62;
        Fill(c,
             Circle(20 + 3.6f * static_cast<float>(std::cos(a)),
                    18.2f + 3.6f * static_cast<float>(std::sin(a)), 0.9f),
             Hex(120, 112, 100));
    }
    Fill(c, Circle(20, 18.2f, 1.4f), Hex(150, 140, 126));
    Outline(c, kInk);
    return c;
}

// --- 8. pickups and counter icons ------------------------------------------------------------

enum class Kind { Energy, Bullet, Missile, MachineGun };

void DrawSymbol(Canvas& c, Kind kind, float cx, float cy, float s) {
    switch (kind) {
    case Kind::Energy:
        DrawBolt(c, cx, cy, s);
        break;
    case Kind::Bullet:
        DrawCartridge(c, cx, cy, s);
        break;
    case Kind::Missile:
        DrawMissileSymbol(c, cx, cy, s * 1.1f);
        break;
    case Kind::MachineGun:
        DrawRounds(c, cx, cy, s * 0.85f);
        break;
    }
}

// A weapon pickup on the field, 26 x 26: a steel-rimmed badge in the kind's colour.
Canvas DrawPickup(Kind kind) {
    static constexpr std::array<Rgb, 4> kBadge = {Hex(52, 150, 72), Hex(56, 92, 170),
                                                  Hex(184, 96, 36), Hex(120, 70, 160)};
    const Rgb badge = kBadge[static_cast<size_t>(kind)];
    Canvas c(26, 26);
    Fill(c, Circle(13, 13, 12.4f), Lit(Hex(204, 206, 212), 0.6f, 25.4f, 2));
    Fill(c, Circle(13, 13, 10), [badge](float x, float y, float) {
        return Scale(badge, 1.15f - 0.45f * Clamp01(std::hypot(x - 10, y - 9) / 13));
    });
    DrawSymbol(c, kind, 13, 13, 14);
    Outline(c, kInk);
    return c;
}

// A counter icon of the status rows, 20 x 20: the symbol on a dark plate, so that the red
// number written over its lower half stays readable.
Canvas DrawCounterIcon(Kind kind) {
    Canvas c(20, 20);
    Fill(c, Box(0.5f, 0.5f, 19.5f, 19.5f, 4), Lit(Hex(50, 56, 72), 0.5f, 19.5f, 2));
    DrawSymbol(c, kind, 10, 9.5f, 13);
    Outline(c, Hex(30, 32, 40), 0.6f);
    return c;
}

// --- 9. backgrounds (seamless 64 x 64 tiles) ---------------------------------------------------

constexpr int kTile = 64;

// Value noise on a lattice that wraps, so a tile of it joins its neighbours without a seam.
class PeriodicNoise {
public:
    PeriodicNoise(uint32_t seed, int cells) : cells_(cells), seed_(seed) {}

    // The noise at tile position (u, v) in [0, 1) (wraps outside), 0..1.
    float At(float u, float v) const {
        const float x = u * cells_, y = v * cells_;
        const float fx = std::floor(x), fy = std::floor(y);
        const float tx = Smooth(x - fx), ty = Smooth(y - fy);
        const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
        const float a = Value(ix, iy), b = Value(ix + 1, iy), c = Value(ix, iy + 1),
                    d = Value(ix + 1, iy + 1);
        return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
    }

private:
    static float Smooth(float t) { return t * t * (3 - 2 * t); }
    float Value(int x, int y) const {
        const auto wrap = [this](int i) {
            return static_cast<uint32_t>(((i % cells_) + cells_) % cells_);
        };
        return Hash01(wrap(x), wrap(y), seed_);
    }

    int cells_;
    uint32_t seed_;
};

// Fractal noise of four octaves (4, 8, 16, 32 cells per tile), 0..1.
float Fbm(uint32_t seed, float u, float v) {
    float sum = 0, weight = 0, w = 1;
    for (int cells = 4; cells <= 32; cells *= 2, w *= 0.5f) {
        sum += w * PeriodicNoise(seed + static_cast<uint32_t>(cells), cells).At(u, v);
        weight += w;
    }
    return sum / weight;
}

// The shortest offset from b to a on a ring of the tile's size: shapes drawn with it wrap
// around the tile's edges.
float Wrapped(float d) {
    return d - kTile * std::round(d / kTile);
}

// Distance from (x, y) to the segment (ax, ay)-(bx, by), measured around the tile.
float WrappedSegment(float x, float y, float ax, float ay, float bx, float by) {
    const float px = Wrapped(x - ax), py = Wrapped(y - ay), dx = bx - ax, dy = by - ay;
    const float h =
        std::clamp((px * dx + py * dy) / std::max(dx * dx + dy * dy, 1e-6f), 0.0f, 1.0f);
    return std::hypot(px - dx * h, py - dy * h);
}

using Texel = std::function<Rgb(float u, float v, int x, int y)>;

Canvas Tile(const Texel& texel) {
    Canvas c(kTile, kTile);
    for (int y = 0; y < kTile; ++y) {
        for (int x = 0; x < kTile; ++x) {
            c.Blend(x, y, texel((x + 0.5f) / kTile, (y + 0.5f) / kTile, x, y), 1);
        }
    }
    return c;
}

constexpr float kTau = static_cast<float>(2 * std::numbers::pi);

Canvas DrawWater() {
    return Tile([](float u, float v, int, int) {
        const float n = Fbm(11, u, v);
        const float h =
            0.5f * (std::sin(kTau * (2 * u + v) + 5 * n) + std::sin(kTau * (3 * v - u) + 4 * n));
        Rgb c = Mix(Hex(18, 58, 116), Hex(52, 124, 182), 0.5f + 0.3f * h + 0.6f * (n - 0.5f));
        if (h > 0.7f) c = Mix(c, Hex(176, 214, 236), (h - 0.7f) * 2.2f);
        return c;
    });
}

Canvas DrawSand() {
    return Tile([](float u, float v, int x, int y) {
        const float n = Fbm(23, u, v);
        const float ripple = std::sin(kTau * (3 * v + u) + 6 * n);
        const float grain = Hash01(static_cast<uint32_t>(x), static_cast<uint32_t>(y), 5) - 0.5f;
        return Scale(Hex(216, 184, 126), 0.86f + 0.22f * n + 0.05f * ripple + 0.08f * grain);
    });
}

Canvas DrawMetal() {
    return Tile([](float u, float, int x, int y) {
        const int lx = x % 32, ly = y % 32, plate = (x / 32) + 2 * (y / 32);
        const float brushed =
            0.06f * PeriodicNoise(31, 16).At(u, static_cast<float>(y) / kTile * 0.03f) +
            0.05f * Hash01(static_cast<uint32_t>(plate), static_cast<uint32_t>(y), 3);
        float k = 0.9f + 0.1f * Hash01(static_cast<uint32_t>(plate), 0, 9) + brushed;
        if (lx == 0 || ly == 0)
            k *= 1.28f; // lit top and left bevel
        else if (lx == 31 || ly == 31)
            k *= 0.6f; // shaded bottom and right bevel
        else if (lx == 1 || ly == 1)
            k *= 1.12f;
        for (int rx : {5, 26}) {
            for (int ry : {5, 26}) {
                const float d = std::hypot(lx + 0.5f - rx, ly + 0.5f - ry);
                if (d < 1.8f)
                    k = (lx + 0.5f - rx) + (ly + 0.5f - ry) < 0 ? 1.35f : 0.95f;
                else if (d < 2.6f && lx > rx && ly > ry)
                    k *= 0.7f; // the rivet's shadow
            }
        }
        return Scale(Hex(138, 144, 152), k);
    });
}

Canvas DrawGrass() {
    struct Blade {
        float x, y, dx, dy;
        bool light;
    };
    Rng rng(41);
    std::vector<Blade> blades;
    for (int i = 0; i < 110; ++i) {
        const float len = rng.Range(3, 7), lean = rng.Range(-0.45f, 0.45f);
        blades.push_back({rng.Range(0, kTile), rng.Range(0, kTile), len * std::sin(lean),
                          -len * std::cos(lean), rng.Uniform() < 0.5f});
    }
    return Tile([&blades](float u, float v, int x, int y) {
        Rgb c = Mix(Hex(46, 104, 38), Hex(86, 152, 56), Fbm(43, u, v) * 1.3f - 0.15f);
        for (const Blade& b : blades) {
            const float d = WrappedSegment(x + 0.5f, y + 0.5f, b.x, b.y, b.x + b.dx, b.y + b.dy);
            if (d < 0.9f) c = Mix(c, b.light ? Hex(132, 196, 84) : Hex(30, 78, 28), 0.9f - d);
        }
        return c;
    });
}

Canvas DrawIce() {
    struct Crack {
        float ax, ay, bx, by;
    };
    Rng rng(57);
    std::vector<Crack> cracks;
    for (int i = 0; i < 5; ++i) {
        float x = rng.Range(0, kTile), y = rng.Range(0, kTile), a = rng.Range(0, kTau);
        for (int j = 0; j < 5; ++j) {
            a += rng.Range(-0.9f, 0.9f);
            const float len = rng.Range(4, 9), nx = x + len * std::cos(a),
                        ny = y + len * std::sin(a);
            cracks.push_back({x, y, nx, ny});
            x = nx, y = ny;
        }
    }
    return Tile([&cracks](float u, float v, int x, int y) {
        Rgb c = Mix(Hex(176, 214, 236), Hex(228, 244, 252), Fbm(61, u, v) * 1.4f - 0.2f);
        for (const Crack& k : cracks) {
            const float d = WrappedSegment(x + 0.5f, y + 0.5f, k.ax, k.ay, k.bx, k.by);
            if (d < 0.7f) c = Mix(c, Hex(104, 150, 190), 1 - d / 0.7f);
            const float lit = WrappedSegment(x + 0.5f, y - 0.5f, k.ax, k.ay, k.bx, k.by);
            if (d >= 0.7f && lit < 0.6f) c = Mix(c, Hex(246, 252, 255), 0.7f);
        }
        if (Hash01(static_cast<uint32_t>(x), static_cast<uint32_t>(y), 77) > 0.993f)
            c = Hex(255, 255, 255);
        return c;
    });
}

// --- 10. the picture list and main -----------------------------------------------------------

struct Picture {
    std::string name;
    Canvas canvas;
    bool keyed; // black is the transparent colour key; false for the opaque tiles and the radar
};

// Every picture, in file order. The match draws its counters with the items at indexes 4, 5, 8
// and 10 (energy, bullets, missiles, machine-gun rounds), so the small counter icons sit there.
std::vector<Picture> AllPictures() {
    const CraftColours left{Hex(70, 122, 204), Hex(244, 204, 66)};
    const CraftColours right{Hex(204, 82, 50), Hex(240, 230, 206)};
    std::vector<Picture> p;
    p.push_back({"tanklevy", DrawCraft(left), true});                         // 0
    p.push_back({"tankpravy", DrawCraft(right).Mirrored(), true});            // 1
    p.push_back({"radar", DrawRadar(), false});                               // 2
    p.push_back({"strelaleva", DrawBullet(), true});                          // 3
    p.push_back({"energycounter", DrawCounterIcon(Kind::Energy), true});      // 4
    p.push_back({"bulletcounter", DrawCounterIcon(Kind::Bullet), true});      // 5
    p.push_back({"strelaprava", DrawBullet().Mirrored(), true});              // 6
    p.push_back({"missileleft", DrawMissile(), true});                        // 7
    p.push_back({"missilecounter", DrawCounterIcon(Kind::Missile), true});    // 8
    p.push_back({"missileright", DrawMissile().Mirrored(), true});            // 9
    p.push_back({"machguncounter", DrawCounterIcon(Kind::MachineGun), true}); // 10
    p.push_back({"machgun", DrawMachineGunRound(), true});                    // 11
    p.push_back({"magnetleft", DrawMagnet(), true});                          // 12
    p.push_back({"magnetright", DrawMagnet().Mirrored(), true});              // 13
    p.push_back({"alarm", DrawAlarm(), true});                                // 14
    p.push_back({"glass", DrawGlass(), true});                                // 15
    p.push_back({"camera", DrawCamera(), true});                              // 16
    p.push_back({"phone", DrawPhone(), true});                                // 17
    p.push_back({"energyicon", DrawPickup(Kind::Energy), true});              // 18
    p.push_back({"bulleticon", DrawPickup(Kind::Bullet), true});              // 19
    p.push_back({"missileicon", DrawPickup(Kind::Missile), true});            // 20
    p.push_back({"machgunicon", DrawPickup(Kind::MachineGun), true});         // 21
    p.push_back({"background1", DrawWater(), false});
    p.push_back({"background2", DrawSand(), false});
    p.push_back({"background3", DrawMetal(), false});
    p.push_back({"background4", DrawGrass(), false});
    p.push_back({"background5", DrawIce(), false});
    return p;
}

// Writes every picture and then the manifest (last, through a rename, so that a build that
// depends on the manifest never sees it before the pictures). Throws vl::Error on a failure.
void WriteAll(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) throw Error("drawpics: cannot create " + dir.string() + ": " + ec.message());
    std::string manifest =
        "# made by drawpics: NAME FILE [options] for 'vlnedla-assets pics build'\n";
    for (const Picture& p : AllPictures()) {
        WritePpm(dir / (p.name + ".ppm"), p.canvas, p.keyed);
        manifest += p.name + " " + p.name + ".ppm" +
                    (p.keyed ? " transparentColor=clBlack" : " transparent=0") + "\n";
    }
    const auto temp = dir / "manifest.txt.tmp";
    {
        std::ofstream out(temp, std::ios::trunc);
        out << manifest;
        out.close();
        if (!out) throw Error("drawpics: cannot write " + temp.string());
    }
    std::filesystem::rename(temp, dir / "manifest.txt", ec);
    if (ec)
        throw Error("drawpics: cannot write " + (dir / "manifest.txt").string() + ": " +
                    ec.message());
}

} // namespace
} // namespace vl::assets

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: drawpics OUTDIR\n", stderr);
        return 2;
    }
    try {
        vl::assets::WriteAll(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
