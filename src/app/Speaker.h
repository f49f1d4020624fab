// SPDX-License-Identifier: GPL-3.0-or-later
// Speaker: says a row of a bank's items one after another without holding the program — a
// menu entry with its value ("Hlasitost řeči", "50", "procent"), an address character by
// character. Saying something new cuts off what is still being said.
#pragma once

#include <string>
#include <vector>

#include "platform/Toolkit.h"
#include "platform/ToolkitTimer.h"
#include "sound/DXSounds.h"

namespace vl::app {

class Speaker {
public:
    Speaker(platform::Toolkit& toolkit, sound::TDXWaveList& bank);

    // Stops what is being said and starts `items` (the first at once). An item the bank
    // lacks throws "Wave '...' not found" when its turn comes.
    void Say(std::vector<std::string> items);
    // Silences the item sounding now and drops the rest.
    void Stop();
    // Drops the rest and lets the item sounding now be (whoever stopped it already).
    void Release();
    bool Speaking() const { return current_ != nullptr; }

private:
    void Next(); // the current item has ended: the next one, if any
    sound::TDXWaveList& bank_;
    platform::Timer timer_; // watches the current item every 10 ms
    std::vector<std::string> queue_;
    size_t next_ = 0;
    sound::TWaveCollectionItem* current_ = nullptr;
};

} // namespace vl::app
