// SPDX-License-Identifier: GPL-3.0-or-later
// BackgroundSprite: a map of cells, each showing one pattern of a picture item, drawn once
// or repeated over the whole target surface, with solid cells for collisions.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "graphics/PictureCollection.h"
#include "sprite/Sprite.h"

namespace vl::sprite {

class TBackgroundSprite : public TSprite {
public:
    // A background takes part in no collision pass until CollisionEnabled is set again.
    explicit TBackgroundSprite(TSprite* parent);
    ~TBackgroundSprite() override;

    // --- hooks ------------------------------------------------------------------------
    // Draws the cells that can fall on the target, rows top to bottom, each left to right;
    // with Tiled the map repeats and covers the target with one spare cell on every side.
    // Nothing without picture, map, engine or target, or with an empty pattern 0. When it
    // covers the target (CoversTarget) and the target still holds its last paint there
    // outside what was written since, only those rectangles are painted again: the
    // pixels are the same as a whole paint's.
    void OnDraw() override;
    // Tiled: the engine's whole TargetRect. Else the map's extent in pixels from the
    // truncated absolute position; (0, 0, 0, 0) without a picture.
    TRect GetBounds() const override;
    // True when `other`'s bounds overlap a solid cell; true as well without picture or
    // map. Cells of an empty pattern 0 cannot be touched: false.
    bool HitTest(TSprite& other) override;

    // True when the next draw writes every pixel of `target`: it is the engine's target,
    // the sprite and its parents are visible, the map is tiled over the whole target and
    // every cell shows an opaque pattern of pattern 0's size. What was on the target before
    // is then never seen, so the frame may leave out clearing it.
    bool CoversTarget(const graphics::TDirectDrawSurface& target) const;

    // --- map --------------------------------------------------------------------------
    // Sets the size and clears the map: every cell pattern 0 and solid. A size of 0 or
    // less in either direction gives an empty 0 x 0 map. The same size: nothing changes.
    void ResizeMap(int32_t columns, int32_t rows);
    // The cell's pattern index; -1 outside the map.
    int32_t CellAt(int32_t column, int32_t row) const;
    // The cell's solid flag; false outside the map.
    bool SolidAt(int32_t column, int32_t row) const;
    // Set one cell; outside the map nothing happens.
    void SetCell(int32_t column, int32_t row, int32_t pattern);
    void SetSolid(int32_t column, int32_t row, bool solid);
    int32_t MapColumns() const { return mapColumns_; }
    int32_t MapRows() const { return mapRows_; }
    // Row-major, MapColumns() x MapRows() entries.
    std::span<const int32_t> CellMap() const { return cellMap_; }
    // Which cells take part in collisions: the background sprite's published map, which
    // nothing in the match reads (its background never collides).
    std::span<const uint8_t> SolidMap() const { return solidMap_; }

    // --- data -------------------------------------------------------------------------
    // Not owned; must outlive the sprite.
    const graphics::TPictureCollectionItem* PictureItem = nullptr;
    bool Tiled = false;

private:
    // Element index of a cell inside the map, or -1.
    int64_t CellIndex(int32_t column, int32_t row) const;
    // A tiled paint's identity on `target` (cells_ laid out): equal keys, equal pixels.
    uint64_t PaintKey(const graphics::TDirectDrawSurface& target) const;

    struct Cell {
        int32_t x, y, pattern;
    };
    std::vector<Cell> cells_;    // a tiled paint's cells, kept between paints
    std::vector<TRect> repaint_; // the rectangles a paint repaints

    std::vector<uint8_t> solidMap_;
    std::vector<int32_t> cellMap_;
    int32_t mapColumns_ = 0;
    int32_t mapRows_ = 0;
};

} // namespace vl::sprite
