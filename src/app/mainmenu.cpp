// SPDX-License-Identifier: GPL-3.0-or-later
// mainmenu: the main menu's form data and handlers.
#include "app/mainmenu.h"

#include "app/soundsguide.h"
#include "match/Unit1.h"
#include "settings/Resources.h"

namespace vl::app {

namespace {

// The form data in the window's language.
SpokenListLayout Layout(const settings::Texts& texts) {
    return {
        .formName = "mainmenuform",
        .caption = texts.menuTitle,
        .listName = "mainmenulist",
        .listLeft = 216,
        .listTop = 136,
        .listWidth = 121,
        .listHeight = 97,
        .autoComplete = false,
        .bankName = "DXWaveListmenu",
        .bankFile = settings::kMenuBank,
        .greeting = "mainmenusp",
        .entries = texts.menuEntries,
        .entrySounds = Tmainmenuform::kEntrySounds,
    };
}

} // namespace

Tmainmenuform::Tmainmenuform(const sound::WindowContext& context)
    : TSpokenListForm(context, Layout(context.language.texts)) {
    form.OnCreate = [this] { FormCreate(); };
    form.OnActivate = [this] { FormActivate(); };
    form.OnClose = [this] { FormClose(); };
    mainmenulist.OnClick = [this] { mainmenulistClick(); };
    mainmenulist.OnDblClick = [this] { mainmenulistDblClick(); };
    mainmenulist.OnKeyPress = [this](char32_t& key) { mainmenulistKeyPress(key); };
}

void Tmainmenuform::mainmenulistKeyPress(char32_t& key) {
    if (key == U'\r') mainmenulistDblClick();
}

void Tmainmenuform::mainmenulistDblClick() {
    StopEntrySounds();
    switch (mainmenulist.ItemIndex()) {
    case 0:
        if (OnStartGame) {
            OnStartGame();
        } else if (form1_) {
            // A match already open is only brought to the front: a second start would leave
            // the first match's craft and shots on the field.
            if (!form1_->form.Visible()) form1_->startmatch(); // runs before the window shows
            form1_->form.Show();
        }
        break;
    case 1:
        DXWaveListmenu.Items().Find("testspeakers").Play(true);
        break;
    case 2:
        if (guide_) guide_->form.Show();
        break;
    case 3:
        form.Close();
        break;
    default:
        break; // nothing selected
    }
}

void Tmainmenuform::FormClose() {
    StopEntrySounds();
    DXWaveListmenu.Items().Find("endofgamesp").Play(true);
}

} // namespace vl::app
