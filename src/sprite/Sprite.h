// SPDX-License-Identifier: GPL-3.0-or-later
// Sprite: the node of the sprite tree — position, depth, flags, its children in creation
// and depth order, and the move, collision and draw passes over its subtree.
//
// Index:
//   - ESpriteError and its message; the integer helpers the bounds arithmetic shares
//   - TSprite: hooks (the virtuals a game sprite overrides), passes, tree access, data
//   - Create<T>: the one way to put a new sprite into a tree
//
// Ownership: a parent owns its children (unique_ptr in `Children`). The game never frees a
// sprite itself: `Kill()` queues it in its engine and the engine's `FreeKilled()` frees it
// between the move and the draw pass. Every pass reads its child count once at its start,
// so hooks may create sprites (they are visited from the next pass on) and kill sprites,
// but must never free one.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "container/Error.h"
#include "graphics/Rect.h"

namespace vl::sprite {

using graphics::RectsOverlap;
using graphics::TRect;

class ESpriteError : public Error {
public:
    using Error::Error;
};
// `Child` on a sprite that has no children at all; formatted with the index.
inline constexpr std::string_view kSpriteIndexError = "Index of the list exceeds the range. (%d)";

// --- integer helpers --------------------------------------------------------------------
// Positions are doubles and bounds are 32-bit; a sprite flung far off (or given NaN) must
// not turn the conversion into undefined behaviour, so values saturate at the int32 range.

// `v` truncated toward zero, saturated to int32; NaN gives 0.
constexpr int32_t TruncToInt32(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

constexpr int32_t ClampToInt32(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// Remainder of a / b truncated toward zero, plus b when that remainder is negative, so a
// wrapped coordinate lands in 0 .. b - 1 for b > 0. A zero modulus (a wrapping sprite with
// no target and no size) leaves `a` as it is instead of dividing by zero.
constexpr int64_t FloorMod(int64_t a, int64_t b) {
    if (b == 0) return a;
    int64_t r = a % b;
    if (r < 0) r += b;
    return r;
}

// (x, y, x + w, y + h) with the far edges saturated.
constexpr TRect SaturatedBounds(int32_t x, int32_t y, int64_t w, int64_t h) {
    return TRect{x, y, ClampToInt32(int64_t{x} + w), ClampToInt32(int64_t{y} + h)};
}

class TSpriteEngine;

class TSprite {
public:
    // A sprite under `parent` (nullptr only for an engine, the root). Its `Engine` is the
    // parent when that is an engine, else the parent's engine. The sprite joins the parent's
    // lists only through Create<T>, which hands the finished object to the parent.
    explicit TSprite(TSprite* parent);
    // Frees the subtree, last child first.
    virtual ~TSprite();
    TSprite(const TSprite&) = delete;
    TSprite& operator=(const TSprite&) = delete;

    // --- hooks ------------------------------------------------------------------------
    // Called on the probe of a collision pass for every sprite it hits; setting `stop`
    // keeps the pass out of the hit sprite's children. Default: nothing.
    virtual void OnCollision(TSprite& other, bool& stop);
    // Paints the sprite on the engine's target. Default: nothing.
    virtual void OnDraw();
    // One step of the sprite's own movement. Default: nothing.
    virtual void OnMove(int32_t moveCount);
    // The rectangle collisions and culling use. Default: truncated absolute position and
    // Width x Height.
    virtual TRect GetBounds() const;
    // Fine test after the rectangles overlapped; both sprites must agree. Default: true.
    virtual bool HitTest(TSprite& other);

    // --- passes -----------------------------------------------------------------------
    // OnMove, then the children in creation order, unless MoveEnabled is false.
    void MoveTree(int32_t moveCount);
    // A collision pass with this sprite as probe over every sprite of its engine. Returns
    // the number of hits; 0 without engine, when dead or when CollisionEnabled is false.
    int32_t CheckCollisions();
    // Marks the sprite dead and queues it in its engine for FreeKilled. Once only; nothing
    // without engine. The sprite keeps moving, colliding and drawing until it is freed.
    void Kill();
    // OnDraw when visible and on the target, then the children by ascending Z.
    void DrawTree();

    // --- tree -------------------------------------------------------------------------
    void FreeChildren();
    int32_t ChildCount() const { return static_cast<int32_t>(children_.size()); }
    // Child by position in creation order. Throws ESpriteError(kSpriteIndexError) when
    // the sprite has no children, container::EListError(kListIndexError) when `index`
    // is outside 0 .. ChildCount() - 1.
    TSprite& Child(int32_t index) const;
    // The children sorted by ascending Z (equal Z: the one inserted last comes first).
    const std::vector<TSprite*>& DrawList() const { return drawList_; }

    TSpriteEngine* Engine() const { return engine_; }
    TSprite* Parent() const { return parent_; }
    bool IsDead() const { return isDead_; }

    // Position on the engine's surface: own X (Y) plus the parents' up to the root.
    double AbsoluteX() const;
    double AbsoluteY() const;

    int32_t Z() const { return z_; }
    // The only way to change Z: re-inserts the sprite into its parent's DrawList, below
    // the siblings already at the new depth. Same value: nothing.
    void SetZ(int32_t value);

    // --- data -------------------------------------------------------------------------
    bool CollisionEnabled = true;
    bool MoveEnabled = true;
    bool Visible = true;
    double X = 0.0;
    double Y = 0.0;
    int32_t Width = 0;
    int32_t Height = 0;

private:
    template <class T, class... Args> friend T& Create(TSprite& parent, Args&&... args);
    friend class TSpriteEngine;

    // Takes ownership of `child` (made with this sprite as parent): appends it to the
    // children, inserts it into DrawList by Z and counts it in its engine.
    void AddChild(std::unique_ptr<TSprite> child);
    // Unlinks `child` from both lists, the engine's count and its kill list, and hands back
    // ownership; the caller destroys it.
    std::unique_ptr<TSprite> TakeChild(TSprite& child);
    // Unlinks and destroys `sprite`, which must be in a tree.
    static void Free(TSprite& sprite);
    void InsertByZ(TSprite* sprite);

    TSpriteEngine* engine_ = nullptr;
    TSprite* parent_ = nullptr;
    std::vector<std::unique_ptr<TSprite>> children_; // creation order; owns them
    bool isDead_ = false;
    std::vector<TSprite*> drawList_; // the same children by ascending Z
    int32_t z_ = 0;
};

// Makes a T (constructed as T(&parent, args...)) and adds it to `parent`'s children.
// Returns the new sprite, which `parent` owns. If T's constructor throws, nothing is
// added.
template <class T, class... Args> T& Create(TSprite& parent, Args&&... args) {
    static_assert(std::is_base_of_v<TSprite, T>, "sprites derive from TSprite");
    auto sprite = std::make_unique<T>(&parent, std::forward<Args>(args)...);
    T& result = *sprite;
    parent.AddChild(std::move(sprite));
    return result;
}

} // namespace vl::sprite
