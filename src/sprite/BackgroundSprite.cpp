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

    auto* target = Engine()->Target;
    auto draw = [&](int64_t column, int64_t row, int64_t x, int64_t y) {
        const int32_t p = CellAt(static_cast<int32_t>(column), static_cast<int32_t>(row));
        if (p >= 0) PictureItem->DrawPattern(target, ClampToInt32(x), ClampToInt32(y), p);
    };
    if (Tiled) {
        for (int64_t i = -1; i <= nr; ++i)
            for (int64_t j = -1; j <= nc; ++j)
                draw(FloorMod(j - sx + mx, mapColumns_), FloorMod(i - sy + my, mapRows_),
                     j * cw + ox, i * ch + oy);
    } else {
        // Only the part of the map that can be visible.
        const int64_t ex = std::min(sx + mapColumns_ - mx, nc);
        const int64_t ey = std::min(sy + mapRows_ - my, nr);
        for (int64_t i = sy; i < ey; ++i)
            for (int64_t j = sx; j < ex; ++j)
                draw(j - sx + mx, i - sy + my, j * cw + ox, i * ch + oy);
    }
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
