// SPDX-License-Identifier: GPL-3.0-or-later
// TraceWriter: the simulator's trace — one JSON object a line on standard output, in the
// order things happen, each stamped with the virtual time.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/Toolkit.h"
#include "sound/SoundTrace.h"

namespace vl::sim {

// A JSON string literal of UTF-8 text, quotes included.
std::string JsonString(std::string_view s);

class TraceWriter final : public platform::ToolkitObserver, public sound::SoundTrace {
public:
    TraceWriter(std::FILE* out, platform::VirtualClock& clock) : out_(out), clock_(clock) {}

    // platform::ToolkitObserver
    void OnWindowEvent(std::string_view ev, const platform::Form& form) override;
    void OnSelect(const platform::ListBox& list, int index) override;
    void OnMessageBox(std::string_view caption, std::string_view text) override;
    // sound::SoundTrace
    void OnPlay(std::string_view bank, std::string_view item, bool wait, bool looped,
                int32_t frequency, int32_t pan, int32_t volume) override;
    void OnStop(std::string_view bank, std::string_view item) override;
    void OnSet(std::string_view bank, std::string_view item, std::string_view key,
               int32_t value) override;

    // The program as it is now, stamped with the timeline's time `t`; `match` is the match
    // window's JSON object, empty before that window exists.
    void Dump(uint64_t t, const platform::Toolkit& toolkit, const std::string& match);
    // The program's language when it is not Czech: every dump then names it.
    void SetLanguage(std::string_view code) { language_ = std::string(code); }
    void Exit(int code);
    void End(uint64_t t);

private:
    // Writes {"t":t,"ev":ev<members>} and a newline.
    void Line(uint64_t t, std::string_view ev, const std::string& members);

    std::FILE* out_;
    platform::VirtualClock& clock_;
    std::string language_; // empty: Czech
};

} // namespace vl::sim
