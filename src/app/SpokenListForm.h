// SPDX-License-Identifier: GPL-3.0-or-later
// SpokenListForm: what the main menu and the sound guide share — a window with one list box
// whose every entry has a sound item of its own in the window's bank, a greeting spoken when
// the window comes to the front, and the entry's sound on each selection.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Toolkit.h"
#include "sound/DXSounds.h"
#include "sound/FormSoundOwner.h"
#include "sound/WindowContext.h"

namespace vl::app {

// The form data in which the two spoken lists differ.
struct SpokenListLayout {
    std::string_view formName, caption;
    std::string_view listName;
    int listLeft, listTop, listWidth, listHeight;
    bool autoComplete;
    std::string_view bankName; // the wave list's name, as the trace shows it
    std::string_view bankFile; // the program's data path of the Czech bank
    std::string_view greeting; // spoken with wait when the window comes to the front
    std::vector<std::string> entries;
    std::span<const std::string_view> entrySounds;
};

class TSpokenListForm {
public:
    TSpokenListForm(const TSpokenListForm&) = delete;
    TSpokenListForm& operator=(const TSpokenListForm&) = delete;

    // Stops every entry's sound in table order; the first missing item throws.
    void StopEntrySounds();

    platform::Toolkit& toolkit;
    platform::Form& form;
    platform::ListBox& list;

protected:
    // Builds the window, its list and its sound device from the form data, and opens the
    // device (AutoInitialize). Throws what the device's opening throws other than
    // EDirectSoundError: the window cannot be created then.
    TSpokenListForm(const sound::WindowContext& context, const SpokenListLayout& layout);
    ~TSpokenListForm() = default;

    // The creation handler's work: the bank is read ("Cannot open file ..." when it cannot).
    void LoadBank();
    // The activation handler's work: the first entry selected, the greeting with wait, then
    // the first entry's sound.
    void Greet();
    // The click handler's work: every entry's sound stopped, the selected entry's played.
    void SpeakSelected();

private:
    const SpokenListLayout layout_;
    const std::string bankPath_; // the bank in the window's language
    sound::FormSoundOwner owner_;

public:
    sound::TDXSound device;
    sound::TDXWaveList bank;
};

} // namespace vl::app
