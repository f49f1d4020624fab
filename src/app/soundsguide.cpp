// SPDX-License-Identifier: GPL-3.0-or-later
// soundsguide: the sound guide's form data and handlers.
#include "app/soundsguide.h"

#include <exception>
#include <string>
#include <vector>

namespace vl::app {

Tguideform::Tguideform(const sound::WindowContext& context)
    : toolkit(context.toolkit),
      form(toolkit.CreateForm("guideform", "Průvodce zvuky", 192, 107, 544, 375)),
      guidelist(form.AddListBox("guidelist", 160, 136, 233, 97)), owner_(form),
      DXSoundguide(context.sound, &owner_), DXWaveListguide("DXWaveListguide") {
    // Form data: the list box (incremental search on, as the toolkit's default) and the
    // wave list's link to the device.
    guidelist.ItemHeight = 13;
    guidelist.AutoComplete = true;
    guidelist.SetItems(std::vector<std::string>(kEntries.begin(), kEntries.end()));
    DXWaveListguide.SetTrace(context.trace);
    DXWaveListguide.SetDXSound(&DXSoundguide);
    form.OnCreate = [this] { FormCreate(); };
    form.OnActivate = [this] { FormActivate(); };
    form.OnClose = [this] { FormClose(); };
    guidelist.OnClick = [this] { guidelistClick(); };
    guidelist.OnDblClick = [this] { guidelistDblClick(); };
    guidelist.OnKeyPress = [this](char32_t& key) { guidelistKeyPress(key); };
    // The whole window is read: the device opens itself.
    DXSoundguide.Loaded();
}

void Tguideform::FormCreate() {
    DXWaveListguide.Items().LoadFromFile("snd\\guide.dat");
}

void Tguideform::FormActivate() {
    guidelist.SetItemIndex(0);
    auto& items = DXWaveListguide.Items();
    items.Find("introguidesp").Play(true);
    items.Find("levitstanditemsp").Play(false);
}

void Tguideform::guidelistClick() {
    StopEntrySounds();
    const int index = guidelist.ItemIndex();
    if (index < 0 || index >= static_cast<int>(kEntrySounds.size())) return;
    DXWaveListguide.Items().Find(kEntrySounds[static_cast<size_t>(index)]).Play(false);
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

void Tguideform::StopEntrySounds() {
    auto& items = DXWaveListguide.Items();
    for (const auto name : kEntrySounds) items.Find(name).Stop();
}

} // namespace vl::app
