// SPDX-License-Identifier: GPL-3.0-or-later
// DXSprite: the sprite engine component of a window — it owns the engine and links it to
// the display, whose back surface becomes the engine's target while the display is
// initialised. Including this file brings in the whole sprite subsystem.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/DXDraw.h"
#include "sprite/BackgroundSprite.h"
#include "sprite/ImageSprite.h"
#include "sprite/Sprite.h"
#include "sprite/SpriteEngine.h"

namespace vl::sprite {

class TCustomDXSpriteEngine {
public:
    // A component with a fresh engine and no display.
    TCustomDXSpriteEngine();
    // Leaves the display's notification list, then frees the engine with all its sprites.
    virtual ~TCustomDXSpriteEngine();
    TCustomDXSpriteEngine(const TCustomDXSpriteEngine&) = delete;
    TCustomDXSpriteEngine& operator=(const TCustomDXSpriteEngine&) = delete;

    // The frame's three calls, in the order the frame makes them.
    // The move pass over the whole tree.
    void MoveAll(int32_t moveCount) { engine_->MoveTree(moveCount); }
    // Frees the sprites killed since the last call.
    void FreeKilled() { engine_->FreeKilled(); }
    // The draw pass, only while the display is set and initialised; otherwise nothing.
    void DrawAll();

    graphics::TCustomDXDraw* DXDraw() const { return dxdraw_; }
    // Leaves the old display's notification list and joins the new one's; joining replays
    // the display's state, so an initialised display gives the engine its target at once.
    void SetDXDraw(graphics::TCustomDXDraw* dxdraw);
    // The component framework reports a component going away: forget it if it is ours.
    void ComponentRemoved(const graphics::TCustomDXDraw* component) {
        if (component && component == dxdraw_) SetDXDraw(nullptr);
    }

    TSpriteEngine& Engine() { return *engine_; }
    const TSpriteEngine& Engine() const { return *engine_; }

private:
    // Display destroyed: forget it; initialised: draw on its back surface; finalised: no
    // target. Every other notification is ignored.
    void SurfaceNotify(graphics::TCustomDXDraw& sender, graphics::TDXDrawNotifyType type);

    graphics::TCustomDXDraw* dxdraw_ = nullptr;
    std::unique_ptr<TSpriteEngine> engine_;
};

// The component as a window's form data declares it (`DXSpriteEngine1`).
class TDXSpriteEngine : public TCustomDXSpriteEngine {
public:
    using TCustomDXSpriteEngine::TCustomDXSpriteEngine;
};

} // namespace vl::sprite
