// SPDX-License-Identifier: GPL-3.0-or-later
// BackgroundSprite: the cell map, its drawing (tiled and once) and the solid-cell test.
#include "sprite/BackgroundSprite.h"

#include <algorithm>

#include "sprite/SpriteEngine.h"

namespace vl::sprite {

TBackgroundSprite::TBackgroundSprite(TSprite* parent) : TSprite(parent) {
    CollisionEnabled = false;
}

TBackgroundSprite::~TBackgroundSprite() {
    ResizeMap(0, 0);
}

// --- map --------------------------------------------------------------------------------

void TBackgroundSprite::ResizeMap(int32_t columns, int32_t rows) {
    if (columns == mapColumns_ && rows == mapRows_) return;
    if (columns <= 0 || rows <= 0) columns = rows = 0;
    mapColumns_ = columns;
    mapRows_ = rows;
    // Earlier contents are not kept. The product is taken in 64 bits; a map too large for
    // memory fails here with std::bad_alloc rather than wrapping to a small size.
    const size_t cells = static_cast<size_t>(int64_t{columns} * rows);
    cellMap_.assign(cells, 0);
    solidMap_.assign(cells, 1);
}

int64_t TBackgroundSprite::CellIndex(int32_t column, int32_t row) const {
    if (column < 0 || row < 0 || column >= mapColumns_ || row >= mapRows_) return -1;
    return int64_t{column} + int64_t{row} * mapColumns_;
}

int32_t TBackgroundSprite::CellAt(int32_t column, int32_t row) const {
    const int64_t i = CellIndex(column, row);
    return i < 0 ? -1 : cellMap_[static_cast<size_t>(i)];
}

bool TBackgroundSprite::SolidAt(int32_t column, int32_t row) const {
    const int64_t i = CellIndex(column, row);
    return i >= 0 && solidMap_[static_cast<size_t>(i)] != 0;
}

void TBackgroundSprite::SetCell(int32_t column, int32_t row, int32_t pattern) {
    const int64_t i = CellIndex(column, row);
    if (i >= 0) cellMap_[static_cast<size_t>(i)] = pattern;
}

void TBackgroundSprite::SetSolid(int32_t column, int32_t row, bool solid) {
    const int64_t i = CellIndex(column, row);
    if (i >= 0) solidMap_[static_cast<size_t>(i)] = solid ? 1 : 0;
}

// --- hooks ------------------------------------------------------------------------------

TRect TBackgroundSprite::GetBounds() const {
    if (Tiled) return Engine() ? Engine()->TargetRect : TRect{};
    if (!PictureItem) return TRect{};
    return SaturatedBounds(TruncToInt32(AbsoluteX()), TruncToInt32(AbsoluteY()),
                           int64_t{PictureItem->ImageWidth()} * mapColumns_,
                           int64_t{PictureItem->ImageHeight()} * mapRows_);
}

void TBackgroundSprite::OnDraw() {
    if (!PictureItem || mapColumns_ <= 0 || mapRows_ <= 0) return;
    if (!Engine() || !Engine()->Target) return;
    const TRect cell = PictureItem->PatternRect(0);
    const int64_t cw = cell.Width();
    const int64_t ch = cell.Height();
    if (cw <= 0 || ch <= 0) return; // no pattern 0: nothing to lay out the cells by
    const TRect r = Engine()->TargetRect;
    const int64_t nc = (r.Right + cw) / cw + 1;
    const int64_t nr = (r.Bottom + ch) / ch + 1;

    const int64_t ax = TruncToInt32(AbsoluteX());
    const int64_t ay = TruncToInt32(AbsoluteY());
    const int64_t ox = ax % cw;
    const int64_t oy = ay % ch;
    int64_t sx = ax / cw, mx = 0;
    if (sx < 0) mx = -sx, sx = 0;
    int64_t sy = ay / ch, my = 0;
    if (sy < 0) my = -sy, sy = 0;

    graphics::TDirectDrawSurface& target = *Engine()->Target;
    if (!Tiled) {
        // Only the part of the map that can be visible.
        const int64_t ex = std::min(sx + mapColumns_ - mx, nc);
        const int64_t ey = std::min(sy + mapRows_ - my, nr);
        for (int64_t i = sy; i < ey; ++i)
            for (int64_t j = sx; j < ex; ++j) {
                const int32_t p =
                    CellAt(static_cast<int32_t>(j - sx + mx), static_cast<int32_t>(i - sy + my));
                if (p >= 0)
                    PictureItem->DrawPattern(target, ClampToInt32(j * cw + ox),
                                             ClampToInt32(i * ch + oy), p);
            }
        return;
    }
    cells_.clear();
    for (int64_t i = -1; i <= nr; ++i)
        for (int64_t j = -1; j <= nc; ++j) {
            const int32_t p = CellAt(static_cast<int32_t>(FloorMod(j - sx + mx, mapColumns_)),
                                     static_cast<int32_t>(FloorMod(i - sy + my, mapRows_)));
            if (p >= 0) cells_.push_back({ClampToInt32(j * cw + ox), ClampToInt32(i * ch + oy), p});
        }
    // A background that paints every pixel, laid out as at its last paint here, repaints
    // only what was drawn over it since: a match draws a few small sprites over a whole
    // tiled field each frame.
    const bool covers = CoversTarget(target);
    const uint64_t key = covers ? PaintKey(target) : 0;
    const graphics::TDamage& drawnOver = target.Damage(graphics::TDamageReader::Background);
    if (covers && target.BackgroundKey == key && !drawnOver.whole) {
        repaint_ = drawnOver.rects; // the log grows as we draw
        for (const TRect& clip : repaint_) {
            target.Written(clip); // one record for the pieces that follow
            for (const Cell& c : cells_)
                if (graphics::RectsOverlap(clip,
                                           graphics::Bounds(c.x, c.y, cell.Width(), cell.Height())))
                    PictureItem->DrawPattern(target, c.x, c.y, c.pattern, clip);
        }
    } else {
        for (const Cell& c : cells_) PictureItem->DrawPattern(target, c.x, c.y, c.pattern);
    }
    target.BackgroundKey = key;
    if (covers) target.ClearDamage(graphics::TDamageReader::Background);
}

uint64_t TBackgroundSprite::PaintKey(const graphics::TDirectDrawSurface& target) const {
    // FNV-1a over everything a tiled paint's pixels follow from: the target's rectangle,
    // then each cell drawn, with its pattern's rectangle and the pixels' surface as it
    // stands (its address and count of writes). Never 0, which means "no key".
    uint64_t h = 0xCBF29CE484222325ULL;
    const auto mix = [&h](uint64_t v) { h = (h ^ v) * 0x100000001B3ULL; };
    const TRect r = Engine()->TargetRect;
    for (const int32_t v : {r.Left, r.Top, r.Right, r.Bottom, target.Width(), target.Height()})
        mix(static_cast<uint32_t>(v));
    for (const Cell& c : cells_) {
        const TRect pr = PictureItem->PatternRect(c.pattern);
        const graphics::TDirectDrawSurface* from = PictureItem->PatternSurface(c.pattern);
        for (const int32_t v : {c.x, c.y, c.pattern, pr.Left, pr.Top, pr.Right, pr.Bottom})
            mix(static_cast<uint32_t>(v));
        mix(reinterpret_cast<uintptr_t>(from));
        mix(from != nullptr ? from->WriteCount() : 0);
    }
    return h == 0 ? 1 : h;
}

bool TBackgroundSprite::CoversTarget(const graphics::TDirectDrawSurface& target) const {
    const TSpriteEngine* engine = Engine();
    if (!Tiled || !PictureItem || mapColumns_ <= 0 || mapRows_ <= 0 || !engine ||
        engine->Target != &target || !target.Exists() || target.IsLost())
        return false;
    if (!PictureItem->Initialized() || PictureItem->Transparent()) return false;
    const TRect r = engine->TargetRect;
    if (r.Left > 0 || r.Top > 0 || r.Right < target.Width() || r.Bottom < target.Height())
        return false;
    for (const TSprite* s = this; s != nullptr; s = s->Parent())
        if (!s->Visible) return false;
    const TRect cell = PictureItem->PatternRect(0);
    if (cell.Width() <= 0 || cell.Height() <= 0) return false;
    // Each pattern the map shows must be drawn whole: in range, on a surface that holds
    // its rectangle, and as large as the cells are laid out.
    const auto whole = [&](int32_t p) {
        if (p < 0 || p >= PictureItem->PatternCount()) return false;
        const TRect pr = PictureItem->PatternRect(p);
        const graphics::TDirectDrawSurface* from = PictureItem->PatternSurface(p);
        return from != nullptr && from->Exists() && !from->IsLost() && pr.Width() == cell.Width() &&
               pr.Height() == cell.Height() && pr.Left >= 0 && pr.Top >= 0 &&
               pr.Right <= from->Width() && pr.Bottom <= from->Height();
    };
    int32_t checked = -1; // maps are mostly one pattern: test each run of it once
    for (const int32_t p : cellMap_) {
        if (p == checked) continue;
        if (!whole(p)) return false;
        checked = p;
    }
    return true;
}

bool TBackgroundSprite::HitTest(TSprite& other) {
    if (!PictureItem || mapColumns_ <= 0 || mapRows_ <= 0) return true;
    const TRect cell = PictureItem->PatternRect(0);
    const int64_t cw = cell.Width();
    const int64_t ch = cell.Height();
    if (cw <= 0 || ch <= 0) return false; // empty cells touch nothing

    const int64_t ax = TruncToInt32(AbsoluteX());
    const int64_t ay = TruncToInt32(AbsoluteY());
    const TRect ob = other.GetBounds();
    const TRect sb = GetBounds();
    // Both in map coordinates (64-bit: the shift may leave the int32 range).
    const int64_t oLeft = ob.Left - ax, oTop = ob.Top - ay;
    const int64_t oRight = ob.Right - ax, oBottom = ob.Bottom - ay;
    const int64_t vLeft = std::max(ob.Left, sb.Left) - ax;
    const int64_t vTop = std::max(ob.Top, sb.Top) - ay;
    const int64_t vRight = std::min(ob.Right, sb.Right) - ax;
    const int64_t vBottom = std::min(ob.Bottom, sb.Bottom) - ay;

    for (int64_t row = (vTop - ch + 1) / ch; row <= vBottom / ch; ++row) {
        for (int64_t column = (vLeft - cw + 1) / cw; column <= vRight / cw; ++column) {
            if (!SolidAt(static_cast<int32_t>(FloorMod(column, mapColumns_)),
                         static_cast<int32_t>(FloorMod(row, mapRows_))))
                continue;
            const int64_t cl = column * cw, ct = row * ch;
            if (cl < oRight && cl + cw > oLeft && ct < oBottom && ct + ch > oTop) return true;
        }
    }
    return false;
}

} // namespace vl::sprite
