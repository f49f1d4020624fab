// SPDX-License-Identifier: GPL-3.0-or-later
// SpokenListForm: the spoken list's form data and the handlers' shared work.
#include "app/SpokenListForm.h"

#include <string>
#include <vector>

namespace vl::app {

TSpokenListForm::TSpokenListForm(const sound::WindowContext& context,
                                 const SpokenListLayout& layout)
    : toolkit(context.toolkit),
      form(toolkit.CreateForm(std::string(layout.formName), std::string(layout.caption), 192, 107,
                              544, 375)),
      list(form.AddListBox(std::string(layout.listName), layout.listLeft, layout.listTop,
                           layout.listWidth, layout.listHeight)),
      layout_(layout), bankPath_(settings::BankPath(context.language, layout.bankFile)),
      owner_(form), device(context.sound, &owner_), bank(std::string(layout.bankName)) {
    // Form data: the list box and the wave list's link to the device.
    list.ItemHeight = 13;
    list.AutoComplete = layout.autoComplete;
    list.SetItems(layout.entries);
    bank.SetTrace(context.trace);
    bank.BusOf = [](std::string_view, bool) { return platform::MixBus::Speech; };
    bank.SetDXSound(&device);
    // The whole window is read: the device opens itself.
    device.Loaded();
}

void TSpokenListForm::LoadBank() {
    bank.Items().LoadFromFile(bankPath_);
}

void TSpokenListForm::Greet() {
    list.SetItemIndex(0);
    auto& items = bank.Items();
    items.Find(layout_.greeting).Play(true);
    items.Find(layout_.entrySounds.front()).Play(false);
}

void TSpokenListForm::SpeakSelected() {
    StopEntrySounds();
    const int index = list.ItemIndex();
    if (index < 0 || index >= static_cast<int>(layout_.entrySounds.size())) return;
    bank.Items().Find(layout_.entrySounds[static_cast<size_t>(index)]).Play(false);
}

void TSpokenListForm::StopEntrySounds() {
    auto& items = bank.Items();
    for (const std::string_view name : layout_.entrySounds) items.Find(name).Stop();
}

} // namespace vl::app
