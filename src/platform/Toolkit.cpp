// SPDX-License-Identifier: GPL-3.0-or-later
// Toolkit: the message loop, the dispatch of queued events, activation and the error box.
//
// Index:
//   - ErrorBoxText: the full-stop rule
//   - forms and activation
//   - boundary, message boxes
//   - message loop, timers
//   - application and input services
#include "platform/Toolkit.h"

#include <SDL.h>

#include <algorithm>

#include "platform/Keys.h"

namespace vl::platform {

// ---- ErrorBoxText ---------------------------------------------------------------------

namespace {

// A code point counts as a letter for the full-stop rule when it is an ASCII letter or
// digit, or a Latin, Greek or Cyrillic letter (the multiplication and division signs of
// Latin-1 are not).
bool IsLetterOrDigit(char32_t c) {
    if (c < 0x80) return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (c == 0xD7 || c == 0xF7) return false;
    return (c >= 0xC0 && c <= 0x24F) || (c >= 0x370 && c <= 0x52F);
}

} // namespace

std::string ErrorBoxText(std::string_view message) {
    std::string text(message);
    const std::u32string decoded = DecodeUtf8(message);
    if (!decoded.empty() && IsLetterOrDigit(decoded.back())) text += '.';
    return text;
}

// ---- forms and activation -------------------------------------------------------------

Toolkit::Toolkit(IClock& clock) : clock_(clock) {}

Toolkit::~Toolkit() = default;

Form& Toolkit::CreateForm(std::string name, std::string caption, int left, int top, int width,
                          int height) {
    const uint64_t handle = forms_.size() + 1; // ids start at 1: 0 means "no window"
    forms_.push_back(std::make_unique<Form>(*this, std::move(name), std::move(caption), left, top,
                                            width, height, handle));
    BackendCreateWindow(*forms_.back());
    return *forms_.back();
}

Form* Toolkit::FindForm(std::string_view name) const {
    for (const auto& f : forms_)
        if (f->Name() == name) return f.get();
    return nullptr;
}

void Toolkit::ShowForm(Form& form) {
    if (!form.visible_) {
        form.visible_ = true;
        BackendShowWindow(form, true);
        if (observer_) observer_->OnWindowEvent("show", form);
    }
    ActivateForm(&form);
}

void Toolkit::HideForm(Form& form) {
    if (!form.visible_) return;
    form.visible_ = false;
    BackendShowWindow(form, false);
    if (observer_) observer_->OnWindowEvent("hide", form);
    if (activeForm_ != &form) return;
    // The system hands activation to the window behind: the main form when it is up.
    Form* next = nullptr;
    Form* main = MainForm();
    if (main && main != &form && main->visible_) {
        next = main;
    } else {
        for (const auto& f : forms_)
            if (f.get() != &form && f->visible_) {
                next = f.get();
                break;
            }
    }
    ActivateForm(next);
}

void Toolkit::CloseForm(Form& form) {
    if (!form.visible_) return;
    // A close handler that fails leaves a window open, as a failed close does — but not
    // the main window: its error is shown and the program ends all the same, or a missing
    // farewell (a damaged or absent menu bank) would leave a program nobody can close.
    if (!Invoke(form.OnClose) && &form != MainForm()) return;
    if (&form == MainForm()) {
        HideForm(form);
        Terminate(0);
    } else {
        HideForm(form);
    }
}

void Toolkit::ActivateForm(Form* form) {
    if (form == activeForm_) return;
    Form* old = activeForm_;
    // The new state is in place before any handler runs, so handlers see it.
    activeForm_ = form;
    if (old) {
        if (observer_) observer_->OnWindowEvent("deactivate", *old);
        Invoke(old->OnDeactivate);
    }
    if (form) {
        BackendActivateWindow(*form);
        if (observer_) observer_->OnWindowEvent("activate", *form);
        Invoke(form->OnActivate);
    }
}

void Toolkit::SetAppActive(bool active) {
    if (active == appActive_) return;
    appActive_ = active;
    if (!active) {
        acquired_ = false; // the keyboard is given up with the foreground
        latchedScan_.fill(0);
        latchedVirtual_.fill(0);
    }
    if (activeForm_ && observer_)
        observer_->OnWindowEvent(active ? "activate" : "deactivate", *activeForm_);
    // A listener may add or remove listeners; call a snapshot.
    const auto listeners = activationListeners_;
    for (const auto& entry : listeners) {
        const auto& listener = entry.second; // named: lambdas cannot capture bindings
        Invoke([&] { listener(active); });
    }
}

void Toolkit::NotifySelect(const ListBox& list, int index) {
    if (observer_) observer_->OnSelect(list, index);
}

// ---- boundary, message boxes ----------------------------------------------------------

bool Toolkit::Invoke(const std::function<void()>& handler) {
    if (!handler) return true;
    try {
        handler();
        return true;
    } catch (const std::exception& e) { // vl::Error derives from std::exception
        ShowError(e);
    }
    return false;
}

void Toolkit::ShowError(const std::exception& e) {
    ShowMessage(kApplicationTitle, ErrorBoxText(e.what()), MessageIcon::Error);
}

void Toolkit::ShowMessage(std::string_view caption, std::string_view text, MessageIcon icon) {
    if (observer_) observer_->OnMessageBox(caption, text);
    BackendMessageBox(caption, text, icon);
}

// ---- message loop, timers -------------------------------------------------------------

int Toolkit::Run() {
    if (Form* main = MainForm()) ShowForm(*main);
    RunLoop();
    return exitCode_;
}

void Toolkit::Terminate(int exitCode) {
    if (!terminated_) exitCode_ = exitCode;
    terminated_ = true;
}

void Toolkit::RequestExit(int exitCode) {
    exitRequest_ = exitCode;
    BackendWake();
}

void Toolkit::RunLoop() {
    while (!terminated_) {
        if (const int code = exitRequest_.load(); code >= 0) {
            Terminate(code);
            break;
        }
        // The queue is drained before the system is asked again: it keeps the order.
        if (queue_.empty()) BackendPoll();
        if (!queue_.empty()) {
            const ToolkitEvent ev = queue_.front();
            queue_.pop_front();
            Dispatch(ev);
            continue;
        }
        if (FireDueTimer()) continue;
        uint32_t wait = kIdleForever;
        if (idle_) {
            // The handler may replace or clear the slot while it runs: call a copy.
            const IdleHandler handler = idle_;
            // A failing idle handler is asked again soon rather than left waiting for input.
            if (!Invoke([&] { wait = handler(); })) wait = 0;
            if (terminated_) break;
            // What the handler posted comes first. Input that arrived meanwhile needs no
            // poll here: the wait looks for it on entry and returns at once (each poll of
            // a window system costs several system calls, and this runs every frame).
            if (!queue_.empty()) continue;
        }
        wait = std::min(wait, NextTimerDelay());
        BackendPaint();
        if (!BackendWait(wait)) break;
    }
}

void Toolkit::Dispatch(const ToolkitEvent& ev) {
    using K = ToolkitEvent::Kind;
    switch (ev.kind) {
    case K::AppActivate:
        SetAppActive(true);
        return;
    case K::AppDeactivate:
        SetAppActive(false);
        return;
    case K::Close:
        if (ev.form) CloseForm(*ev.form);
        return;
    case K::FormFocus:
        if (ev.form && ev.form->visible_) ActivateForm(ev.form);
        return;
    case K::MouseDown: {
        if (!ev.form || !ev.form->visible_) return;
        ActivateForm(ev.form);
        for (const auto& lb : ev.form->listBoxes_) {
            const int x = ev.x - lb->Left(), y = ev.y - lb->Top();
            if (x >= 0 && y >= 0 && x < lb->Width() && y < lb->Height()) {
                lb->MouseDown(x, y, ev.dbl);
                return;
            }
        }
        return;
    }
    case K::EntryClick:
        if (!ev.form || !ev.form->visible_) return;
        ActivateForm(ev.form);
        if (ListBox* list = ev.form->Focused()) list->ClickEntry(ev.index, ev.dbl);
        return;
    case K::PadChange:
        if (OnPadChange) Invoke([&] { OnPadChange(ev.index, ev.plugged); });
        return;
    case K::KeyDown:
    case K::KeyUp:
    case K::Char:
        break;
    }
    // Keys go to the focused control of the active window, as the system routes them
    // when the program reads its input.
    Form* form = appActive_ ? activeForm_ : nullptr;
    if (!form || !form->visible_) return;
    ListBox* focus = form->Focused();
    if (ev.kind == K::KeyDown) {
        if (ev.vk == kVkF4 && (virtualKeys_[kVkMenu] & 0x80)) { // the system's close key
            CloseForm(*form);
            return;
        }
        if (focus) {
            focus->KeyDown(ev.vk);
            if (ev.ch != 0) focus->KeyPress(ev.ch);
        }
    } else if (ev.kind == K::Char) {
        if (focus) focus->KeyPress(ev.ch);
    }
}

// --- game controllers ---------------------------------------------------------------

Toolkit::Pad* Toolkit::FindPad(int device) {
    for (Pad& pad : pads_)
        if (pad.device == device) return &pad;
    return nullptr;
}

void Toolkit::PadPlugged(int device) {
    if (device < 0 || FindPad(device)) return;
    for (size_t slot = 0; slot < pads_.size(); ++slot) {
        if (pads_[slot].device >= 0) continue;
        pads_[slot] = Pad{device, PadState{}};
        ToolkitEvent ev;
        ev.kind = ToolkitEvent::Kind::PadChange;
        ev.index = static_cast<int>(slot);
        ev.plugged = true;
        Post(ev);
        return;
    }
}

void Toolkit::PadUnplugged(int device) {
    Pad* pad = FindPad(device);
    if (!pad) return;
    *pad = Pad{}; // nothing it held stays pressed
    ToolkitEvent ev;
    ev.kind = ToolkitEvent::Kind::PadChange;
    ev.index = static_cast<int>(pad - pads_.data());
    ev.plugged = false;
    Post(ev);
}

void Toolkit::PadButton(int device, int button, bool down) {
    Pad* pad = FindPad(device);
    if (!pad || button < 0 || button >= 32) return;
    const uint32_t bit = 1U << static_cast<unsigned>(button);
    if (down == pad->state.Down(button)) return;
    pad->state.buttons = down ? pad->state.buttons | bit : pad->state.buttons & ~bit;
    // The menus' keys.
    uint8_t vk = 0;
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
        vk = kVkUp;
        break;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
        vk = kVkDown;
        break;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
        vk = kVkLeft;
        break;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
        vk = kVkRight;
        break;
    case SDL_CONTROLLER_BUTTON_A:
        vk = kVkReturn;
        break;
    case SDL_CONTROLLER_BUTTON_B:
        vk = kVkEscape;
        break;
    default:
        return;
    }
    ToolkitEvent ev;
    ev.kind = down ? ToolkitEvent::Kind::KeyDown : ToolkitEvent::Kind::KeyUp;
    ev.vk = vk;
    if (down && vk == kVkReturn) ev.ch = U'\r';
    if (down && vk == kVkEscape) ev.ch = 27;
    Post(ev);
}

void Toolkit::PadAxis(int device, int axis, int value) {
    Pad* pad = FindPad(device);
    if (!pad || axis < 0 || axis >= static_cast<int>(pad->state.axes.size())) return;
    pad->state.axes[static_cast<size_t>(axis)] =
        static_cast<int16_t>(std::clamp(value, -32768, 32767));
}

bool Toolkit::ReadPad(int slot, PadState& out) {
    if (slot < 0 || slot >= kPadSlots || pads_[static_cast<size_t>(slot)].device < 0) return false;
    out = pads_[static_cast<size_t>(slot)].state;
    return true;
}

bool Toolkit::FireDueTimer() {
    const uint32_t now = clock_.NowMs();
    const size_t n = timers_.size();
    for (size_t k = 0; k < n; ++k) {
        const size_t i = (timerCursor_ + k) % n;
        Timer* t = timers_[i];
        if (!t->enabled_ || t->interval_ == 0) continue;
        if (static_cast<uint32_t>(now - t->startMs_) < t->interval_) continue;
        t->startMs_ = now;
        timerCursor_ = i + 1;
        const std::function<void()> handler = t->OnTimer; // the timer may go away in it
        Invoke(handler);
        return true;
    }
    return false;
}

uint32_t Toolkit::NextTimerDelay() {
    const uint32_t now = clock_.NowMs();
    uint32_t best = kIdleForever;
    for (const Timer* t : timers_) {
        if (!t->enabled_ || t->interval_ == 0) continue;
        const uint32_t elapsed = now - t->startMs_;
        best = std::min(best, elapsed >= t->interval_ ? 0u : t->interval_ - elapsed);
    }
    return best;
}

void Toolkit::RemoveTimer(Timer* t) {
    timers_.erase(std::remove(timers_.begin(), timers_.end(), t), timers_.end());
}

// ---- application and input services ---------------------------------------------------

int Toolkit::AddActivationListener(std::function<void(bool active)> listener) {
    const int token = nextListenerToken_++;
    activationListeners_.emplace(token, std::move(listener));
    return token;
}

void Toolkit::RemoveActivationListener(int token) {
    activationListeners_.erase(token);
}

void Toolkit::LatchKeyDown(uint8_t scan, uint8_t vk, uint8_t sidedVk) {
    if (scan != 0) latchedScan_[scan] = 0x80;
    SetVirtualKey(latchedVirtual_, vk, true); // a sided modifier marks its generic code too
    SetVirtualKey(latchedVirtual_, sidedVk, true);
}

KeyTable Toolkit::WithLatchedKeys(const KeyTable& table, const KeyTable& latched) {
    KeyTable out = table;
    for (size_t i = 0; i < out.size(); ++i) out[i] |= latched[i];
    latchedScan_.fill(0);
    latchedVirtual_.fill(0);
    return out;
}

bool Toolkit::ReadScanCodes(KeyTable& out) {
    if (!acquired_) return false;
    out = WithLatchedKeys(scanCodes_, latchedScan_);
    return true;
}

void Toolkit::Acquire() {
    acquired_ = foreground_;
} // foreground access only

void Toolkit::ReadVirtualKeys(KeyTable& out) {
    out = WithLatchedKeys(virtualKeys_, latchedVirtual_);
}

std::unique_ptr<IPresenter> Toolkit::CreatePresenter(Form& form) {
    return std::make_unique<HeadlessPresenter>(form.ClientWidth(), form.ClientHeight());
}

bool Toolkit::IsForeground(const Form& form) const {
    return foreground_ && activeForm_ == &form && form.visible_;
}

} // namespace vl::platform
