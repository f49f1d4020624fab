// SPDX-License-Identifier: GPL-3.0-or-later
// HeadlessToolkit: the windowing layer without a screen, on a virtual clock.
//
// The program runs unchanged; a script (the simulator) or a test plays the user. A key
// going down or up changes the polled keyboard state at once, while the window events it
// makes wait in the queue until the program reads its events, as a real user's would.
// Message boxes are recorded and dismissed at once. Waiting moves virtual time on to the
// next timer, idle deadline or scripted action — never further, and never in a spin.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Toolkit.h"

namespace vl::platform {

class HeadlessToolkit final : public Toolkit {
public:
    explicit HeadlessToolkit(VirtualClock& clock);

    // ---- the user -----------------------------------------------------------------
    void UserKeyDown(uint8_t vk);
    void UserKeyUp(uint8_t vk);
    void UserType(char32_t ch);
    // The close button of the window that is active now (nothing when none is).
    void UserClose();
    // A click (or double click) on entry `index` of the list box of the window that is
    // active now, wherever the list is scrolled to (nothing when no window is active).
    void UserClickEntry(int index, bool dbl);
    // The application loses (false) or regains (true) the desktop's foreground.
    void UserSetForeground(bool foreground);

    // ---- scheduling ---------------------------------------------------------------
    // Tells the loop when the next scripted action falls due (nullopt: none), so that a
    // wait ends there.
    void SetNextAction(std::function<std::optional<uint64_t>()> next) { next_ = std::move(next); }
    // Called each time the loop looks for events, so actions due now can happen first.
    void SetPollHook(std::function<void()> hook) { poll_ = std::move(hook); }
    // Runs the loop until virtual time `t` has come and nothing more is due then (or
    // the main form has closed). For tests.
    void RunUntil(uint64_t t);

    struct Box {
        std::string caption, text;
        MessageIcon icon;
    };
    const std::vector<Box>& MessageBoxes() const { return boxes_; }
    // How often the loop waited, and for how much virtual time in all.
    uint64_t WaitCount() const { return waits_; }
    VirtualClock& Virtual() { return clock_; }

protected:
    void BackendPoll() override {
        if (poll_) poll_();
    }
    bool BackendWait(uint32_t timeoutMs) override;
    void BackendMessageBox(std::string_view caption, std::string_view text,
                           MessageIcon icon) override;

private:
    VirtualClock& clock_;
    std::function<std::optional<uint64_t>()> next_;
    std::function<void()> poll_;
    std::optional<uint64_t> stopAt_;
    std::vector<Box> boxes_;
    uint64_t waits_ = 0;
    uint32_t zeroWaits_ = 0; // waits of 0 ms in a row at the same time
};

} // namespace vl::platform
