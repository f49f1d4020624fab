// Form1: the match window — its display, image list, sprite engine, input and frame timer,
// with its sound device and wave list. The menu shows it after running the match start;
// its close button hides it.
//
// Index:
//   - TForm1: construction (the form data), the handlers, the components
//
// The components are members in the order of the window's form data, so they are built
// in that order and torn down in reverse: everything that points at DXDraw1 lets go of it
// before it goes, and DXDraw1 goes before the presenter it shows its frames through.
#pragma once

#include <cstdint>
#include <memory>

#include "app/FormSoundOwner.h"
#include "app/WindowContext.h"
#include "graphics/DXDraws.h"
#include "input/DXClass.h"
#include "input/DXInput.h"
#include "platform/Presenter.h"
#include "platform/Toolkit.h"
#include "sound/DXSounds.h"
#include "sprite/DXSprite.h"

namespace vl::app {

// The size of the match field: the display's control and back surface.
inline constexpr int32_t kFieldWidth = 536;
inline constexpr int32_t kFieldHeight = 348;
// The frame timer's period in ms.
inline constexpr int32_t kFrameInterval = 10;

class TForm1 {
public:
    // Builds the window and its components from the form data and opens its sound device;
    // throws as Tmainmenuform does when the device cannot be made. The display stays
    // uninitialised until the window is first shown.
    explicit TForm1(const WindowContext& context);
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // Creation handler (run through the toolkit's boundary): reads pics\game.dat into
    // DXImageList1. Throws the file reader's errors (a missing file: "Cannot open file
    // ..."); the window is created all the same.
    void FormCreate();
    // FIXME: the match start, its close handler and the frame's work belong to the match;
    // these are the hooks they go into.
    void startmatch() {}
    void FormClose() {}
    // The window became the active one — which every Show makes it. The first time it is
    // shown the display initialises itself; the input devices are acquired again.
    void FormActivate();
    // One frame of the match, called by DXTimer1 at most every kFrameInterval ms.
    void DXTimer1Timer(input::TCustomDXTimer& sender, int32_t lagCount);
    // The display's initialise handler: nothing to do.
    void DXDraw1Initialize(graphics::TCustomDXDraw& /*sender*/) {}

    // The presenter DXDraw1 shows its frames through (the toolkit's, for this form).
    platform::IPresenter& Presenter() { return *presenter_; }

    platform::Toolkit& toolkit;
    platform::Form& form;

private:
    // The form as DXInput1 asks it whether its window is in front.
    class InputOwner final : public input::IInputOwnerForm {
    public:
        explicit InputOwner(const platform::Form& form) : form_(form) {}
        bool IsForeground() const override { return form_.IsForeground(); }

    private:
        const platform::Form& form_;
    };

    FormSoundOwner owner_;
    InputOwner inputOwner_;
    std::unique_ptr<platform::IPresenter> presenter_; // outlives DXDraw1

public:
    graphics::TDXDraw DXDraw1;
    sound::TDXSound DXSound1;
    sound::TDXWaveList DXWaveList1;
    graphics::TDXImageList DXImageList1;
    sprite::TDXSpriteEngine DXSpriteEngine1;
    input::TDXInput DXInput1;
    input::TDXTimer DXTimer1;
};

} // namespace vl::app
