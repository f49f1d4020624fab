// SPDX-License-Identifier: GPL-3.0-or-later
// mainmenu: the main menu's form data and handlers.
#include "app/mainmenu.h"

#include "app/soundsguide.h"
#include "match/Unit1.h"

namespace vl::app {

Tmainmenuform::Tmainmenuform(const sound::WindowContext& context)
    : toolkit(context.toolkit),
      form(toolkit.CreateForm("mainmenuform", "Hlavní menu", 192, 107, 544, 375)),
      mainmenulist(form.AddListBox("mainmenulist", 216, 136, 121, 97)), owner_(form),
      DXSoundmenu(context.sound, &owner_), DXWaveListmenu("DXWaveListmenu") {
    // Form data: the list box and the wave list's link to the device.
    mainmenulist.ItemHeight = 13;
    mainmenulist.AutoComplete = false;
    mainmenulist.SetItems({std::string(kEntries[0]), std::string(kEntries[1]),
                           std::string(kEntries[2]), std::string(kEntries[3])});
    DXWaveListmenu.SetTrace(context.trace);
    DXWaveListmenu.SetDXSound(&DXSoundmenu);
    form.OnCreate = [this] { FormCreate(); };
    form.OnActivate = [this] { FormActivate(); };
    form.OnClose = [this] { FormClose(); };
    mainmenulist.OnClick = [this] { mainmenulistClick(); };
    mainmenulist.OnDblClick = [this] { mainmenulistDblClick(); };
    mainmenulist.OnKeyPress = [this](char32_t& key) { mainmenulistKeyPress(key); };
    // The whole window is read: the device opens itself.
    DXSoundmenu.Loaded();
}

void Tmainmenuform::FormCreate() {
    DXWaveListmenu.Items().LoadFromFile("snd\\menu.dat");
}

void Tmainmenuform::FormActivate() {
    mainmenulist.SetItemIndex(0);
    auto& items = DXWaveListmenu.Items();
    items.Find("mainmenusp").Play(true);
    items.Find("startgameitemsp").Play(false);
}

void Tmainmenuform::mainmenulistClick() {
    StopEntrySounds();
    const int index = mainmenulist.ItemIndex();
    if (index < 0 || index >= static_cast<int>(kEntrySounds.size())) return;
    DXWaveListmenu.Items().Find(kEntrySounds[static_cast<size_t>(index)]).Play(false);
}

void Tmainmenuform::mainmenulistKeyPress(char32_t& key) {
    if (key == U'\r') mainmenulistDblClick();
}

void Tmainmenuform::mainmenulistDblClick() {
    StopEntrySounds();
    switch (mainmenulist.ItemIndex()) {
    case 0:
        if (form1_) {
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

void Tmainmenuform::StopEntrySounds() {
    auto& items = DXWaveListmenu.Items();
    for (const auto name : kEntrySounds) items.Find(name).Stop();
}

} // namespace vl::app
