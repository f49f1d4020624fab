// SPDX-License-Identifier: GPL-3.0-or-later
// SoundTrace: an observer of every call the program makes on its sound items.
//
// The headless simulator writes these calls into its trace; the real program sets
// none. A bank reports through the trace its wave list was given; `bank` is that wave
// list's name (for example "DXWaveListmenu"), `item` the item's name as the bank holds it.
#pragma once

#include <cstdint>
#include <string_view>

namespace vl::sound {

class SoundTrace {
public:
    virtual ~SoundTrace() = default;
    // Called when Play is entered, before anything sounds, with the item's settings.
    virtual void OnPlay(std::string_view bank, std::string_view item, bool wait, bool looped,
                        int32_t frequency, int32_t pan, int32_t volume) = 0;
    virtual void OnStop(std::string_view bank, std::string_view item) = 0;
    // key is "freq", "pan" or "vol".
    virtual void OnSet(std::string_view bank, std::string_view item, std::string_view key,
                       int32_t value) = 0;
};

} // namespace vl::sound
