// Form1: the match window. For now an empty window with its caption, sound device and
// wave list; the menu shows it after running the match start, its close button hides it.
#pragma once

#include "app/FormSoundOwner.h"
#include "app/WindowContext.h"
#include "platform/Toolkit.h"
#include "sound/DXSounds.h"

namespace vl::app {

class TForm1 {
public:
    // Builds the window and opens its sound device; throws as Tmainmenuform does.
    explicit TForm1(const WindowContext& context);
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // FIXME: the match's FormCreate (snd\game.dat, pics\game.dat, the player records),
    // startmatch and FormClose are not built yet; these are the hooks they go into.
    void FormCreate() {}
    void startmatch() {}
    void FormClose() {}

    platform::Toolkit& toolkit;
    platform::Form& form;

private:
    FormSoundOwner owner_;

public:
    sound::TDXSound DXSound1;
    sound::TDXWaveList DXWaveList1;
};

} // namespace vl::app
