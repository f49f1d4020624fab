// SPDX-License-Identifier: GPL-3.0-or-later
// Sprite: tree maintenance and the move, collision and draw passes of a sprite.
//
// Index:
//   - construction, destruction, adding and taking children
//   - depth order (InsertByZ, SetZ)
//   - passes (MoveTree, CheckCollisions, Kill, DrawTree)
#include "sprite/Sprite.h"

#include <algorithm>

#include "container/HashCollection.h"
#include "sprite/SpriteEngine.h"

namespace vl::sprite {

// --- construction, destruction, adding and taking children ------------------------------

TSprite::TSprite(TSprite* parent) : parent_(parent) {
    if (parent) {
        auto* engine = dynamic_cast<TSpriteEngine*>(parent);
        engine_ = engine ? engine : parent->engine_;
    }
}

TSprite::~TSprite() {
    // By the time we get here the sprite has left its parent (Free unlinks first), so
    // only the subtree is left to free.
    FreeChildren();
}

void TSprite::AddChild(std::unique_ptr<TSprite> child) {
    // The constructor already worked out parent and engine from the same argument; set
    // them again so a derived constructor that passed another parent cannot split the
    // sprite's idea of its place from the list that owns it.
    child->parent_ = this;
    auto* engine = dynamic_cast<TSpriteEngine*>(this);
    child->engine_ = engine ? engine : engine_;
    TSprite* raw = child.get();
    children_.push_back(std::move(child));
    InsertByZ(raw);
    if (raw->engine_) ++raw->engine_->SpriteCount;
}

std::unique_ptr<TSprite> TSprite::TakeChild(TSprite& child) {
    // FreeChildren and FreeKilled usually take the newest sprites: search from the end.
    auto it = std::find_if(children_.rbegin(), children_.rend(),
                           [&](const std::unique_ptr<TSprite>& c) { return c.get() == &child; });
    if (it == children_.rend()) return nullptr;
    std::unique_ptr<TSprite> owned = std::move(*it);
    children_.erase(std::next(it).base());
    std::erase(drawList_, &child);
    if (children_.empty()) {
        // A sprite without children holds no lists.
        std::vector<std::unique_ptr<TSprite>>().swap(children_);
        std::vector<TSprite*>().swap(drawList_);
    }
    // Leaving the tree is final: a destructor further down that calls Kill() on the
    // sprite being freed must not queue a pointer that is about to dangle.
    child.isDead_ = true;
    if (child.engine_) {
        --child.engine_->SpriteCount;
        child.engine_->Unqueue(child);
    }
    return owned;
}

void TSprite::Free(TSprite& sprite) {
    if (!sprite.parent_) return; // a root is freed by whoever holds it
    std::unique_ptr<TSprite> owned = sprite.parent_->TakeChild(sprite);
    owned.reset();
}

void TSprite::FreeChildren() {
    while (!children_.empty()) Free(*children_.back());
}

TSprite& TSprite::Child(int32_t index) const {
    if (children_.empty()) throw ESpriteError(Format(kSpriteIndexError, {int64_t{index}}));
    if (index < 0 || index >= ChildCount())
        throw container::EListError(Format(container::kListIndexError, {int64_t{index}}));
    return *children_[static_cast<size_t>(index)];
}

double TSprite::AbsoluteX() const {
    return parent_ ? X + parent_->AbsoluteX() : X;
}
double TSprite::AbsoluteY() const {
    return parent_ ? Y + parent_->AbsoluteY() : Y;
}

// --- depth order ------------------------------------------------------------------------

void TSprite::InsertByZ(TSprite* sprite) {
    // Binary search for the first element whose Z is not below the sprite's: the sprite
    // goes in front of every sibling of equal depth, so among equals the newest is drawn
    // first, underneath the older ones.
    int32_t low = 0;
    int32_t high = static_cast<int32_t>(drawList_.size()) - 1;
    while (low <= high) {
        const int32_t mid = low + (high - low) / 2;
        if (drawList_[static_cast<size_t>(mid)]->z_ < sprite->z_)
            low = mid + 1;
        else
            high = mid - 1;
    }
    drawList_.insert(drawList_.begin() + low, sprite);
}

void TSprite::SetZ(int32_t value) {
    if (value == z_) return;
    z_ = value;
    if (parent_) {
        std::erase(parent_->drawList_, this);
        parent_->InsertByZ(this);
    }
}

// --- hooks (defaults) -------------------------------------------------------------------

void TSprite::OnCollision(TSprite& /*other*/, bool& /*stop*/) {}
void TSprite::OnDraw() {}
void TSprite::OnMove(int32_t /*moveCount*/) {}
bool TSprite::HitTest(TSprite& /*other*/) {
    return true;
}

TRect TSprite::GetBounds() const {
    return SaturatedBounds(TruncToInt32(AbsoluteX()), TruncToInt32(AbsoluteY()), Width, Height);
}

// --- passes -----------------------------------------------------------------------------

void TSprite::MoveTree(int32_t moveCount) {
    if (!MoveEnabled) return;
    const TSpriteEngine::PassGuard pass(engine_);
    OnMove(moveCount);
    // Counted after the hook, once: sprites the hooks create now move from the next pass.
    const int32_t count = ChildCount();
    for (int32_t i = 0; i < count; ++i) Child(i).MoveTree(moveCount);
}

int32_t TSprite::CheckCollisions() {
    if (!engine_ || isDead_ || !CollisionEnabled) return 0;
    TSpriteEngine& engine = *engine_;
    const TSpriteEngine::PassGuard pass(engine_);
    engine.HitCount = 0;
    engine.StopCollisions = false;
    engine.ProbeRect = GetBounds();
    engine.ProbeSprite = this;
    // The stop flag only prunes subtrees: every direct child of the engine is visited even
    // after the probe died or stopped, and the match relies on getting those calls.
    const int32_t count = engine.ChildCount();
    for (int32_t i = 0; i < count; ++i) engine.CollisionVisit(engine.Child(i), *this);
    return engine.HitCount;
}

void TSprite::Kill() {
    if (!engine_ || isDead_) return;
    isDead_ = true;
    engine_->killList_.push_back(this);
}

void TSprite::DrawTree() {
    if (!Visible) return;
    if (engine_ && RectsOverlap(engine_->TargetRect, GetBounds())) {
        OnDraw();
        ++engine_->DrawnCount;
    }
    const size_t count = drawList_.size();
    // A hook may re-sort the list with SetZ; stay inside it whatever it does.
    for (size_t i = 0; i < count && i < drawList_.size(); ++i) drawList_[i]->DrawTree();
}

} // namespace vl::sprite
