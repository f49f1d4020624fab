// SPDX-License-Identifier: GPL-3.0-or-later
// Speaker: one item after another, watched by a 10 ms timer.
#include "app/Speaker.h"

namespace vl::app {

Speaker::Speaker(platform::Toolkit& toolkit, sound::TDXWaveList& bank)
    : bank_(bank), timer_(toolkit, 10, false) {
    timer_.OnTimer = [this] {
        if (current_ && current_->Sounding()) return;
        Next();
    };
}

void Speaker::Say(std::vector<std::string> items) {
    Stop();
    queue_ = std::move(items);
    next_ = 0;
    Next();
}

void Speaker::Stop() {
    timer_.SetEnabled(false);
    queue_.clear();
    next_ = 0;
    if (current_) {
        sound::TWaveCollectionItem* was = current_;
        current_ = nullptr;
        was->Stop();
    }
}

void Speaker::Release() {
    timer_.SetEnabled(false);
    queue_.clear();
    next_ = 0;
    current_ = nullptr;
}

void Speaker::Next() {
    current_ = nullptr;
    if (next_ >= queue_.size()) {
        timer_.SetEnabled(false);
        queue_.clear();
        return;
    }
    sound::TWaveCollectionItem& item = bank_.Items().Find(queue_[next_++]);
    current_ = &item;
    timer_.SetEnabled(true);
    item.Play(false);
}

} // namespace vl::app
