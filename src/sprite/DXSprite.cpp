// SPDX-License-Identifier: GPL-3.0-or-later
// DXSprite: the sprite engine component's link to the display.
#include "sprite/DXSprite.h"

namespace vl::sprite {

TCustomDXSpriteEngine::TCustomDXSpriteEngine() : engine_(std::make_unique<TSpriteEngine>()) {}

TCustomDXSpriteEngine::~TCustomDXSpriteEngine() {
    // The display keeps a handler pointing at us: take it back before we go.
    SetDXDraw(nullptr);
}

void TCustomDXSpriteEngine::DrawAll() {
    if (dxdraw_ && dxdraw_->Initialized()) engine_->DrawAll();
}

void TCustomDXSpriteEngine::SetDXDraw(graphics::TCustomDXDraw* dxdraw) {
    if (dxdraw_) {
        // Store first: removing replays the finalise notice, which clears the target, and
        // a destroying notice arriving meanwhile must find nothing left to remove.
        graphics::TCustomDXDraw* old = dxdraw_;
        dxdraw_ = nullptr;
        old->RemoveNotify(this);
    }
    dxdraw_ = dxdraw;
    if (dxdraw_) {
        dxdraw_->AddNotify(
            [this](graphics::TCustomDXDraw& sender, graphics::TDXDrawNotifyType type) {
                SurfaceNotify(sender, type);
            },
            this);
    }
}

void TCustomDXSpriteEngine::SurfaceNotify(graphics::TCustomDXDraw& sender,
                                          graphics::TDXDrawNotifyType type) {
    switch (type) {
    case graphics::dxntDestroying:
        SetDXDraw(nullptr);
        break;
    case graphics::dxntInitialize:
        engine_->SetTarget(&sender.Surface());
        break;
    case graphics::dxntFinalize:
        engine_->SetTarget(nullptr);
        break;
    default:
        break;
    }
}

} // namespace vl::sprite
