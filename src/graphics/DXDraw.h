// SPDX-License-Identifier: GPL-3.0-or-later
// DXDraw: the display component of the match window — the back surface the frame is
// drawn on, its presentation in the window, and the notification list through which the
// image list and the sprite engine learn when surfaces come and go.
//
// Index:
//   - options, notification numbers, handlers and events
//   - TCustomDXDraw: lifecycle (Initialize/Finalize/Restore), Flip, notifications
//   - TDXDraw: the published component
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string_view>
#include <vector>

#include "graphics/DirectDrawSurface.h"
#include "platform/Presenter.h"

namespace vl::graphics {

enum class TDXDrawOption {
    doFullScreen,
    doNoWindowChange,
    doAllowReboot,
    doWaitVBlank,
    doAllowPalette256,
    doSystemMemory,
    doStretch,
    doCenter,
    doFlip,
    do3D,
    doDirectX7Mode,
    doRetainedMode,
    doHardware,
    doSelectDriver,
    doZBuffer,
};

// A set of TDXDrawOption, bit n for option n.
class TDXDrawOptions {
public:
    constexpr TDXDrawOptions() = default;
    constexpr TDXDrawOptions(std::initializer_list<TDXDrawOption> options) {
        for (TDXDrawOption o : options) Include(o);
    }
    constexpr bool Has(TDXDrawOption o) const { return (bits_ & Bit(o)) != 0; }
    constexpr void Include(TDXDrawOption o) { bits_ |= Bit(o); }
    constexpr uint32_t Bits() const { return bits_; }
    friend constexpr bool operator==(TDXDrawOptions, TDXDrawOptions) = default;

private:
    static constexpr uint32_t Bit(TDXDrawOption o) { return 1u << static_cast<unsigned>(o); }
    uint32_t bits_ = 0;
};

// What a handler is told, by number.
enum TDXDrawNotifyType : int {
    dxntDestroying = 0,
    dxntInitializing = 1,
    dxntInitialize = 2,
    dxntInitializeSurface = 3,
    dxntFinalize = 4,
    dxntFinalizeSurface = 5,
    dxntRestore = 6,
    dxntSetSurfaceSize = 7,
};

// How the control is laid out in its window: alClient fills the client area (the
// control's bounds follow the window's client size when it initialises).
enum class TAlign { alNone, alClient };

class TCustomDXDraw;
using TDXDrawNotifyEvent = std::function<void(TCustomDXDraw& sender, TDXDrawNotifyType type)>;
using TDXDrawEvent = std::function<void(TCustomDXDraw& sender)>;

inline constexpr std::string_view kFormNotFound = "Form not found";
inline constexpr std::string_view kCannotInitialize = "%s cannot be initialized";
inline constexpr std::string_view kCannotMake = "%s cannot be made";
inline constexpr std::string_view kDisplayModeCannotChange =
    "Display mode cannot be changed (%dx%d %dbit)";

class TCustomDXDraw {
public:
    // A component made without form data: options doAllowReboot, doWaitVBlank,
    // doCenter, doDirectX7Mode, doHardware, doSelectDriver; size 100 x 100;
    // AutoInitialize and AutoSize on; no window yet.
    TCustomDXDraw();
    // Notifies 0 (handlers let go of the component), then finalises.
    virtual ~TCustomDXDraw();
    TCustomDXDraw(const TCustomDXDraw&) = delete;
    TCustomDXDraw& operator=(const TCustomDXDraw&) = delete;

    // --- the window -------------------------------------------------------------------
    // The window the component sits in (not owned; must outlive it or be reset to
    // nullptr first). Without one, Initialize fails with "Form not found".
    void SetPresenter(platform::IPresenter* presenter) { presenter_ = presenter; }
    platform::IPresenter* Presenter() const { return presenter_; }
    // The window calls this when it is shown; the first time, with AutoInitialize, the
    // component initialises itself (errors propagate to the window).
    void FormShown();
    // Bounds of the control in its window. With AutoSize the surface size follows.
    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
    int32_t Left() const { return left_; }
    int32_t Top() const { return top_; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    // The window repaints: Flip without waiting for the vertical blank.
    void Paint();

    // --- configuration -----------------------------------------------------------------
    bool AutoInitialize = true;
    bool AutoSize = true;
    TAlign Align = TAlign::alNone;
    TColor Color = clBtnFace;
    TDXDrawOptions Options() const { return options_; }
    void SetOptions(TDXDrawOptions options);
    // The back surface's size; while initialised, changing it makes the surface anew.
    void SetSurfaceSize(int32_t w, int32_t h);
    // The back surface's size when it exists, else the stored size.
    int32_t GetSurfaceWidth() const;
    int32_t GetSurfaceHeight() const;

    // --- events ------------------------------------------------------------------------
    TDXDrawEvent OnInitializing, OnInitialize, OnFinalize;
    TDXDrawEvent OnInitializeSurface, OnFinalizeSurface, OnRestoreSurface;

    // --- lifecycle ---------------------------------------------------------------------
    // Makes the surfaces. Throws EDXDrawError ("Form not found", "%s cannot be made")
    // or EDirectDrawError; the component is then finalised and stays uninitialised.
    void Initialize();
    // Releases the surfaces after telling the handlers (5, then 4). Safe at any time.
    void Finalize();
    // Brings lost surfaces back, black, and notifies 6. Nothing unless initialised.
    void Restore();
    bool Initialized() const { return initialized_; }
    // Initialised, not busy, back surface there and SurfacesReady().
    bool CanDraw();
    // Whether the window would show a frame finished now (IPresenter::WantsPicture); a
    // frame it would not show need not be drawn.
    bool WantsPicture();
    // False when not initialised or busy; restores lost surfaces and reports success.
    bool SurfacesReady();
    // Presents the back surface in the window (centred with doCenter, waiting for the
    // vertical blank with doWaitVBlank). Nothing unless initialised and ready.
    void Flip();

    // The back surface. Always the same object: without pixels while not initialised,
    // so drawing on it then does nothing.
    TDirectDrawSurface& Surface() { return *surface_; }
    // The screen stand-in, for the lost-surface path; nullptr while not initialised.
    TDirectDrawSurface* Primary() { return primary_.get(); }
    // A new surface on this display (sharing its fonts), without pixels.
    std::unique_ptr<TDirectDrawSurface> CreateSurface() const;

    // --- notifications -----------------------------------------------------------------
    // A pair is known by its owner: adding again replaces the owner's handler (and
    // moves it last). AddNotify replays the state: 7; if initialised 2, then 3 if the
    // surface event has been fired, then 6 unless notifications are in progress.
    void AddNotify(const TDXDrawNotifyEvent& handler, const void* owner);
    // If present: removes it, then tells it 5 (surface event fired) and 4 (initialised).
    void RemoveNotify(const void* owner);
    size_t NotifyCount() const { return notifies_.size(); }

protected:
    void Notify(TDXDrawNotifyType type);

private:
    void Fire(const TDXDrawEvent& event) {
        if (event) event(*this);
    }
    void MakeBackSurface();
    void Present(bool waitVBlank);

    struct NotifyEntry {
        TDXDrawNotifyEvent handler;
        const void* owner;
    };

    platform::IPresenter* presenter_ = nullptr;
    int32_t left_ = 0, top_ = 0, width_ = 100, height_ = 100;
    TDXDrawOptions options_;
    TDXDrawOptions savedOptions_; // restored by Finalize
    int32_t surfaceWidth_ = 100, surfaceHeight_ = 100;

    bool initialized_ = false;
    bool internalInitialized_ = false; // Finalize has work to do
    bool busy_ = false;
    bool attempted_ = false;
    bool initEventFired_ = false;
    bool surfaceEventFired_ = false;
    int notifyDepth_ = 0;

    std::shared_ptr<FontCache> fonts_;
    std::unique_ptr<TDirectDrawSurface> primary_;
    std::unique_ptr<TDirectDrawSurface> surface_;
    std::vector<SDL_Rect> changed_; // what the back surface's picture changed, for presenting
    std::vector<NotifyEntry> notifies_;
};

class TDXDraw : public TCustomDXDraw {
public:
    using TCustomDXDraw::TCustomDXDraw;
};

} // namespace vl::graphics
