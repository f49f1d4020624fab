// SPDX-License-Identifier: GPL-3.0-or-later
// mainmenu: the main menu window — a spoken list of four entries, the application's main
// window, whose close ends the program after a farewell.
//
// Every handler begins with a lookup in the menu bank, so a bank without the menu's items
// makes each of them fail with "Wave '...' not found" in the error box, and stop there.
#pragma once

#include <array>
#include <functional>
#include <string_view>

#include "app/SpokenListForm.h"
#include "settings/Texts.h"

namespace vl::match {
class TForm1;
}

namespace vl::app {

class Tguideform;

class Tmainmenuform final : public TSpokenListForm {
public:
    // Builds the window and its components and opens the sound device (AutoInitialize).
    // Throws what the device's opening throws other than EDirectSoundError: the window
    // cannot be created then. FormCreate is left to the caller (through the boundary).
    explicit Tmainmenuform(const sound::WindowContext& context);

    // What "Start hry" does instead of starting a match here (a duel over the network
    // starts it on both machines); none: the match starts here.
    std::function<void()> OnStartGame;

    // The windows the entries lead to; set once they exist.
    void SetWindows(match::TForm1* form1, Tguideform* guide) { form1_ = form1, guide_ = guide; }

    // Handlers, as the toolkit calls them.
    void FormCreate() { LoadBank(); }
    void FormActivate() {
        if (Greets) Greet();
    }
    // False while a replay plays: the menu stays silent behind it.
    bool Greets = true;
    void mainmenulistClick() { SpeakSelected(); }
    void mainmenulistKeyPress(char32_t& key);
    void mainmenulistDblClick();
    void FormClose();

    static constexpr std::array<std::string_view, 4> kEntrySounds{
        "startgameitemsp", "testspeakersitemsp", "soundsguideitemsp", "endgameitemsp"};

    // The form data's names of the shared parts.
    platform::ListBox& mainmenulist = list;
    sound::TDXSound& DXSoundmenu = device;
    sound::TDXWaveList& DXWaveListmenu = bank;

private:
    match::TForm1* form1_ = nullptr;
    Tguideform* guide_ = nullptr;
};

} // namespace vl::app
