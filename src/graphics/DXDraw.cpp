// SPDX-License-Identifier: GPL-3.0-or-later
// DXDraw: the display component's lifecycle (initialise on first show, finalise, restore
// lost surfaces), its presentation through the window's presenter, resizing, and the
// notification list with its replay on adding and removing.
//
// Index:
//   - construction, window hooks, resizing
//   - Initialize / Finalize / Restore, readiness
//   - Flip
//   - notifications
#include "graphics/DXDraw.h"

#include <algorithm>
#include <string>

#include "graphics/FontCache.h"

namespace vl::graphics {

namespace {

// Raises a counter for the lifetime of the scope (exception-safe).
struct DepthGuard {
    explicit DepthGuard(int& d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    int& depth;
};

} // namespace

// --- construction, window hooks, resizing ----------------------------------------------

TCustomDXDraw::TCustomDXDraw()
    : options_{TDXDrawOption::doAllowReboot, TDXDrawOption::doWaitVBlank,
               TDXDrawOption::doCenter,      TDXDrawOption::doDirectX7Mode,
               TDXDrawOption::doHardware,    TDXDrawOption::doSelectDriver},
      fonts_(std::make_shared<FontCache>()),
      surface_(std::make_unique<TDirectDrawSurface>(fonts_)) {
    savedOptions_ = options_;
}

TCustomDXDraw::~TCustomDXDraw() {
    // A destructor must not throw: a failing handler here has nobody left to tell.
    try {
        Notify(dxntDestroying);
        Finalize();
    } catch (...) {
    }
}

void TCustomDXDraw::SetOptions(TDXDrawOptions options) {
    options_ = options;
    if (!internalInitialized_) savedOptions_ = options;
}

void TCustomDXDraw::FormShown() {
    if (AutoInitialize && !attempted_) Initialize();
}

void TCustomDXDraw::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
    left_ = left;
    top_ = top;
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    if (AutoSize) SetSurfaceSize(width_, height_);
}

int32_t TCustomDXDraw::GetSurfaceWidth() const {
    return surface_->Exists() ? surface_->Width() : surfaceWidth_;
}

int32_t TCustomDXDraw::GetSurfaceHeight() const {
    return surface_->Exists() ? surface_->Height() : surfaceHeight_;
}

void TCustomDXDraw::SetSurfaceSize(int32_t w, int32_t h) {
    if (w == GetSurfaceWidth() && h == GetSurfaceHeight()) return;
    if (busy_) return;
    surfaceWidth_ = w;
    surfaceHeight_ = h;
    if (initialized_ && surface_->Exists()) {
        DepthGuard depth(notifyDepth_);
        Notify(dxntFinalizeSurface);
        if (surfaceEventFired_) {
            surfaceEventFired_ = false;
            Fire(OnFinalizeSurface);
        }
        MakeBackSurface();
        Notify(dxntInitializeSurface);
        surfaceEventFired_ = true;
        Fire(OnInitializeSurface);
    }
    Notify(dxntSetSurfaceSize);
}

void TCustomDXDraw::MakeBackSurface() {
    surface_->SystemMemory = options_.Has(TDXDrawOption::doSystemMemory);
    if (!surface_->SetSize(std::max(surfaceWidth_, 1), std::max(surfaceHeight_, 1)))
        throw EDXDrawError(Format(kCannotMake, {std::string_view("Surface")}));
}

std::unique_ptr<TDirectDrawSurface> TCustomDXDraw::CreateSurface() const {
    return std::make_unique<TDirectDrawSurface>(fonts_);
}

// --- Initialize / Finalize / Restore ---------------------------------------------------

void TCustomDXDraw::Initialize() {
    attempted_ = true;
    Finalize();
    if (!presenter_ || !presenter_->HasParentForm()) throw EDXDrawError(std::string(kFormNotFound));

    savedOptions_ = options_;
    internalInitialized_ = true;
    try {
        Fire(OnInitializing);
        busy_ = true;
        Notify(dxntInitializing);
        // The software display needs no service object, access level or mode switch;
        // full-screen options present in the window like the windowed mode.
        if (Align == TAlign::alClient)
            SetBounds(0, 0, presenter_->ClientWidth(), presenter_->ClientHeight());
        if (AutoSize) {
            surfaceWidth_ = width_;
            surfaceHeight_ = height_;
        }
        primary_ = CreateSurface();
        if (!primary_->SetSize(1, 1))
            throw EDXDrawError(Format(kCannotMake, {std::string_view("Primary Surface")}));
        MakeBackSurface();
        busy_ = false;
        initialized_ = true;
    } catch (...) {
        Finalize();
        throw;
    }

    {
        DepthGuard depth(notifyDepth_);
        Notify(dxntSetSurfaceSize);
        Notify(dxntInitialize);
        initEventFired_ = true;
        Fire(OnInitialize);
        Notify(dxntInitializeSurface);
        surfaceEventFired_ = true;
        Fire(OnInitializeSurface);
    }
    Restore();
}

void TCustomDXDraw::Finalize() {
    if (!internalInitialized_) return;
    if (surface_->Exists()) {
        surfaceWidth_ = surface_->Width();
        surfaceHeight_ = surface_->Height();
    }
    busy_ = true;
    // Whatever the handlers do, the component ends up released.
    struct Release {
        TCustomDXDraw& d;
        ~Release() {
            d.initialized_ = false;
            d.busy_ = false;
            d.options_ = d.savedOptions_;
            d.surface_->Release();
            d.primary_.reset();
            d.internalInitialized_ = false;
        }
    } release{*this};

    if (surfaceEventFired_) {
        surfaceEventFired_ = false;
        try {
            Fire(OnFinalizeSurface);
        } catch (...) {
            Notify(dxntFinalizeSurface);
            throw;
        }
    }
    Notify(dxntFinalizeSurface);
    if (initEventFired_) {
        initEventFired_ = false;
        Fire(OnFinalize);
    }
    Notify(dxntFinalize);
}

void TCustomDXDraw::Restore() {
    if (!initialized_ || busy_) return;
    busy_ = true;
    struct Unbusy {
        bool& b;
        ~Unbusy() { b = false; }
    } unbusy{busy_};
    const bool primaryOk = primary_ && primary_->Restore();
    const bool backOk = surface_->Restore();
    if (primaryOk && backOk) {
        primary_->Fill(0);
        surface_->Fill(0);
        Notify(dxntRestore);
        Fire(OnRestoreSurface);
    }
}

bool TCustomDXDraw::SurfacesReady() {
    if (!initialized_ || busy_ || !primary_) return false;
    auto lost = [&] { return primary_->IsLost() || surface_->IsLost(); };
    if (!lost()) return true;
    Restore();
    return !lost();
}

bool TCustomDXDraw::CanDraw() {
    return initialized_ && !busy_ && surface_->Exists() && SurfacesReady();
}

bool TCustomDXDraw::WantsPicture() {
    return !presenter_ || presenter_->WantsPicture();
}

// --- Flip ------------------------------------------------------------------------------

void TCustomDXDraw::Flip() {
    if (!initialized_ || busy_ || !SurfacesReady()) return;
    Present(options_.Has(TDXDrawOption::doWaitVBlank));
}

void TCustomDXDraw::Paint() {
    if (!initialized_ || busy_ || !SurfacesReady()) return;
    Present(false);
}

void TCustomDXDraw::Present(bool waitVBlank) {
    if (!presenter_ || !surface_->Sdl()) return;
    // FIXME: doStretch presents unscaled; the match never selects it.
    int32_t x = left_, y = top_;
    if (options_.Has(TDXDrawOption::doCenter)) {
        x += (width_ - surface_->Width()) / 2;
        y += (height_ - surface_->Height()) / 2;
    }
    if (waitVBlank) presenter_->WaitVBlank();
    // What was written since the last present: the window may look at those rows only.
    const TDamage& damage = surface_->Damage(TDamageReader::Present);
    changed_.clear();
    for (const TRect& r : damage.rects)
        changed_.push_back(SDL_Rect{r.Left, r.Top, r.Width(), r.Height()});
    presenter_->Present(*surface_->Sdl(), x, y, platform::PictureChanges{damage.whole, changed_});
    surface_->ClearDamage(TDamageReader::Present);
}

// --- notifications ---------------------------------------------------------------------

void TCustomDXDraw::Notify(TDXDrawNotifyType type) {
    // Handlers may add or remove entries (their own or others') while we walk: walk a
    // copy, last added first, and skip owners that left in the meantime.
    const std::vector<NotifyEntry> entries = notifies_;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        const bool present =
            std::any_of(notifies_.begin(), notifies_.end(),
                        [&](const NotifyEntry& e) { return e.owner == it->owner; });
        if (present && it->handler) it->handler(*this, type);
    }
}

void TCustomDXDraw::AddNotify(const TDXDrawNotifyEvent& handler, const void* owner) {
    std::erase_if(notifies_, [&](const NotifyEntry& e) { return e.owner == owner; });
    notifies_.push_back(NotifyEntry{handler, owner});
    if (!handler) return;
    handler(*this, dxntSetSurfaceSize);
    if (initialized_) {
        handler(*this, dxntInitialize);
        if (surfaceEventFired_) handler(*this, dxntInitializeSurface);
        if (notifyDepth_ == 0) handler(*this, dxntRestore);
    }
}

void TCustomDXDraw::RemoveNotify(const void* owner) {
    auto it = std::find_if(notifies_.begin(), notifies_.end(),
                           [&](const NotifyEntry& e) { return e.owner == owner; });
    if (it == notifies_.end()) return;
    const TDXDrawNotifyEvent handler = it->handler;
    notifies_.erase(it);
    if (!handler) return;
    if (surfaceEventFired_) handler(*this, dxntFinalizeSurface);
    if (initialized_) handler(*this, dxntFinalize);
}

} // namespace vl::graphics
