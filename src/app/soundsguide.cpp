// SPDX-License-Identifier: GPL-3.0-or-later
// soundsguide: the sound guide's form data and handlers.
#include "app/soundsguide.h"

#include <exception>
#include <string>
#include <vector>

#include "settings/Resources.h"

namespace vl::app {

namespace {

// The form data in the window's language.
SpokenListLayout Layout(const settings::Texts& texts) {
    return {
        .formName = "guideform",
        .caption = texts.guideTitle,
        .listName = "guidelist",
        .listLeft = 160,
        .listTop = 136,
        .listWidth = 233,
        .listHeight = 97,
        .autoComplete = true, // incremental search on, as the toolkit's default
        .bankName = "DXWaveListguide",
        .bankFile = settings::kGuideBank,
        .greeting = "introguidesp",
        .entries = {texts.guideEntries.begin(), texts.guideEntries.end()},
        .entrySounds = Tguideform::kEntrySounds,
    };
}

} // namespace

Tguideform::Tguideform(const sound::WindowContext& context)
    : TSpokenListForm(context, Layout(context.language.texts)) {
    form.OnCreate = [this] { FormCreate(); };
    form.OnActivate = [this] { FormActivate(); };
    form.OnClose = [this] { FormClose(); };
    guidelist.OnClick = [this] { guidelistClick(); };
    guidelist.OnDblClick = [this] { guidelistDblClick(); };
    guidelist.OnKeyPress = [this](char32_t& key) { guidelistKeyPress(key); };
}

void Tguideform::guidelistKeyPress(char32_t& key) {
    // Enter elsewhere does nothing: the entry's sound has played on selection. The list
    // box's search passes Enter by, so it needs no consuming here.
    if (key == U'\r' && guidelist.ItemIndex() == kReturnEntry) form.Close();
}

void Tguideform::guidelistDblClick() {
    if (guidelist.ItemIndex() == guidelist.Count() - 1) form.Close();
}

void Tguideform::FormClose() {
    // A failed lookup is shown as every handler's failure is, but it does not keep the
    // window open (the toolkit leaves a form open when its close handler fails).
    try {
        StopEntrySounds();
    } catch (const std::exception& e) {
        toolkit.ShowError(e);
    }
}

} // namespace vl::app
