// SPDX-License-Identifier: GPL-3.0-or-later
// mainmenu: the main menu window — a spoken list of four entries, the application's main
// window, whose close ends the program after a farewell.
//
// Every handler begins with a lookup in the menu bank, so a bank without the menu's items
// makes each of them fail with "Wave '...' not found" in the error box, and stop there.
#pragma once

#include <array>
#include <string_view>

#include "platform/Toolkit.h"
#include "sound/DXSounds.h"
#include "sound/FormSoundOwner.h"
#include "sound/WindowContext.h"

namespace vl::match {
class TForm1;
}

namespace vl::app {

class Tguideform;

class Tmainmenuform {
public:
    // Builds the window and its components and opens the sound device (AutoInitialize).
    // Throws what the device's opening throws other than EDirectSoundError: the window
    // cannot be created then. FormCreate is left to the caller (through the boundary).
    explicit Tmainmenuform(const sound::WindowContext& context);
    Tmainmenuform(const Tmainmenuform&) = delete;
    Tmainmenuform& operator=(const Tmainmenuform&) = delete;

    // The windows the entries lead to; set once they exist.
    void SetWindows(match::TForm1* form1, Tguideform* guide) { form1_ = form1, guide_ = guide; }

    // Handlers, as the toolkit calls them.
    void FormCreate();
    void FormActivate();
    void mainmenulistClick();
    void mainmenulistKeyPress(char32_t& key);
    void mainmenulistDblClick();
    void FormClose();
    void StopEntrySounds();

    static constexpr std::array<std::string_view, 4> kEntries{"Start hry", "Test reproduktorů",
                                                              "Průvodce zvuky", "Konec hry"};
    static constexpr std::array<std::string_view, 4> kEntrySounds{
        "startgameitemsp", "testspeakersitemsp", "soundsguideitemsp", "endgameitemsp"};

    platform::Toolkit& toolkit;
    platform::Form& form;
    platform::ListBox& mainmenulist;

private:
    sound::FormSoundOwner owner_;

public:
    sound::TDXSound DXSoundmenu;
    sound::TDXWaveList DXWaveListmenu;

private:
    match::TForm1* form1_ = nullptr;
    Tguideform* guide_ = nullptr;
};

} // namespace vl::app
