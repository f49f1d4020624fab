// guideform: the sound guide window. For now an empty window with its caption, sound
// device and wave list; the menu shows it, its close button hides it.
#pragma once

#include "app/FormSoundOwner.h"
#include "app/WindowContext.h"
#include "platform/Toolkit.h"
#include "sound/DXSounds.h"

namespace vl::app {

class Tguideform {
public:
    // Builds the window and opens its sound device; throws as Tmainmenuform does.
    explicit Tguideform(const WindowContext& context);
    Tguideform(const Tguideform&) = delete;
    Tguideform& operator=(const Tguideform&) = delete;

    // FIXME: the guide's list, bank (snd\guide.dat) and handlers are not built yet;
    // FormCreate is the hook its bank loading goes into.
    void FormCreate() {}

    platform::Toolkit& toolkit;
    platform::Form& form;

private:
    FormSoundOwner owner_;

public:
    sound::TDXSound DXSoundguide;
    sound::TDXWaveList DXWaveListguide;
};

} // namespace vl::app
