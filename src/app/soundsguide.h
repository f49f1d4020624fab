// SPDX-License-Identifier: GPL-3.0-or-later
// soundsguide: the sound guide window — a spoken list of the match's nineteen kinds of sound
// and a way back, so that a player learns what each sound means before playing.
//
// Every handler begins with a lookup in the guide bank, so a bank without the guide's items
// makes each of them fail with "Wave '...' not found" in the error box, and stop there. The
// close handler reports such a failure itself and lets the window close all the same: a
// guide without its bank must not keep the player from the menu.
#pragma once

#include <array>
#include <string_view>

#include "app/SpokenListForm.h"
#include "settings/Texts.h"

namespace vl::app {

class Tguideform final : public TSpokenListForm {
public:
    // Builds the window and its components and opens the sound device (AutoInitialize).
    // Throws as Tmainmenuform does; FormCreate is left to the caller (through the boundary).
    explicit Tguideform(const sound::WindowContext& context);

    // Handlers, as the toolkit calls them.
    void FormCreate() { LoadBank(); }
    void FormActivate() { Greet(); }
    void guidelistClick() { SpeakSelected(); }
    void guidelistKeyPress(char32_t& key);
    void guidelistDblClick();
    void FormClose();

    static constexpr size_t kEntryCount = 20;
    static constexpr int kReturnEntry = 19; // "Návrat do hlavního menu"
    static constexpr std::array<std::string_view, kEntryCount> kEntrySounds{
        "levitstanditemsp",  "levitrunitemsp",      "bulletitemsp",
        "missileitemsp",     "machgunitemsp",       "emptygunitemsp",
        "magnetitemsp",      "alertitemsp",         "hititemsp",
        "navigleftitemsp",   "navigrightitemsp",    "objectleftitemsp",
        "objectrightitemsp", "objectappitemsp",     "objectnotdestroyeditemsp",
        "weapappitemsp",     "navigweapitemsp",     "getweapitemsp",
        "weapdestroyitemsp", "returnmainmenuitemsp"};

    // The form data's names of the shared parts.
    platform::ListBox& guidelist = list;
    sound::TDXSound& DXSoundguide = device;
    sound::TDXWaveList& DXWaveListguide = bank;
};

} // namespace vl::app
