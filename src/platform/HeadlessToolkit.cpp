// SPDX-License-Identifier: GPL-3.0-or-later
// HeadlessToolkit: scripted input and the virtual-time wait.
#include "platform/HeadlessToolkit.h"

#include <algorithm>

#include "platform/Keys.h"

namespace vl::platform {

namespace {
// An idle handler that keeps asking to be called at once would hold virtual time still;
// after this many such calls at one instant time moves on by 1 ms.
constexpr uint32_t kMaxZeroWaits = 1000;
} // namespace

HeadlessToolkit::HeadlessToolkit(VirtualClock& clock) : Toolkit(clock), clock_(clock) {}

void HeadlessToolkit::UserKeyDown(uint8_t vk) {
    const uint8_t sc = VirtualKeyToSet1(vk);
    if (sc != 0) scanCodes_[sc] = 0x80;
    SetVirtualKey(virtualKeys_, vk, true);
    LatchKeyDown(sc, vk);
    const bool shift = (virtualKeys_[kVkShift] & 0x80) != 0;
    ToolkitEvent ev;
    ev.kind = ToolkitEvent::Kind::KeyDown;
    ev.vk = vk;
    ev.ch = CharForVirtualKey(vk, shift).value_or(0);
    Post(ev);
}

void HeadlessToolkit::UserKeyUp(uint8_t vk) {
    if (const uint8_t sc = VirtualKeyToSet1(vk)) scanCodes_[sc] = 0;
    SetVirtualKey(virtualKeys_, vk, false);
    ToolkitEvent ev;
    ev.kind = ToolkitEvent::Kind::KeyUp;
    ev.vk = vk;
    Post(ev);
}

void HeadlessToolkit::UserType(char32_t ch) {
    ToolkitEvent ev;
    ev.kind = ToolkitEvent::Kind::Char;
    ev.ch = ch;
    Post(ev);
}

void HeadlessToolkit::UserClose() {
    Form* form = IsActive() ? ActiveForm() : nullptr;
    if (!form || !form->Visible()) return;
    ToolkitEvent ev;
    ev.kind = ToolkitEvent::Kind::Close;
    ev.form = form;
    Post(ev);
}

void HeadlessToolkit::UserClickEntry(int index, bool dbl) {
    Form* form = IsActive() ? ActiveForm() : nullptr;
    if (!form || !form->Visible()) return;
    ToolkitEvent ev;
    ev.kind = ToolkitEvent::Kind::EntryClick;
    ev.form = form;
    ev.index = index;
    ev.dbl = dbl;
    Post(ev);
}

void HeadlessToolkit::UserSetForeground(bool foreground) {
    foreground_ = foreground;
    if (!foreground) acquired_ = false;
    ToolkitEvent ev;
    ev.kind = foreground ? ToolkitEvent::Kind::AppActivate : ToolkitEvent::Kind::AppDeactivate;
    Post(ev);
}

void HeadlessToolkit::RunUntil(uint64_t t) {
    stopAt_ = t;
    RunLoop();
    stopAt_.reset();
}

bool HeadlessToolkit::BackendWait(uint32_t timeoutMs) {
    const uint64_t now = clock_.ElapsedMs();
    if (stopAt_ && now >= *stopAt_) return false;
    std::optional<uint64_t> target;
    if (timeoutMs != kIdleForever) target = now + timeoutMs;
    if (next_) {
        if (const auto a = next_()) {
            if (*a <= now && poll_) return true; // due now: the next poll makes it happen
            target = target ? std::min(*target, std::max(*a, now)) : std::max(*a, now);
        }
    }
    if (stopAt_) target = target ? std::min(*target, *stopAt_) : *stopAt_;
    if (!target) return false; // nothing can ever happen again
    ++waits_;
    if (*target <= now) {
        if (++zeroWaits_ < kMaxZeroWaits) return true;
        target = now + 1;
    }
    zeroWaits_ = 0;
    clock_.AdvanceTo(*target);
    return true;
}

void HeadlessToolkit::BackendMessageBox(std::string_view caption, std::string_view text,
                                        MessageIcon icon) {
    boxes_.push_back(Box{std::string(caption), std::string(text), icon});
}

} // namespace vl::platform
