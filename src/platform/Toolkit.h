// SPDX-License-Identifier: GPL-3.0-or-later
// Toolkit: the windowing layer the program runs on — forms, list boxes, message timers,
// message boxes, the error boundary and the message loop — over an SDL2 or headless backend.
//
// Index:
//   - ToolkitObserver: what the simulator traces (windows shown, activated, selections, boxes)
//   - ToolkitEvent: the events waiting in the program's queue
//   - Toolkit: IApplication and IInputService for the components; the backend operations
//
// Everything runs on the one thread that calls Run. The loop takes one queued event at a
// time, then fires due timers, then calls the idle handler, and then waits — for the next
// event, or until the next timer or the idle handler's deadline is due. It never spins.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Application.h"
#include "platform/Presenter.h"
#include "platform/ToolkitForm.h"
#include "platform/ToolkitListBox.h"
#include "platform/ToolkitTimer.h"

namespace vl::platform {

// The application's title: the caption of the error box.
inline constexpr std::string_view kApplicationTitle = "Vlnedla";

enum class MessageIcon { None, Information, Warning, Error };

class ToolkitObserver {
public:
    virtual ~ToolkitObserver() = default;
    // ev is "show", "hide", "activate" or "deactivate".
    virtual void OnWindowEvent(std::string_view ev, const Form& form) = 0;
    virtual void OnSelect(const ListBox& list, int index) = 0;
    virtual void OnMessageBox(std::string_view caption, std::string_view text) = 0;
};

struct ToolkitEvent {
    enum class Kind {
        KeyDown,
        KeyUp,
        Char,
        Close,
        AppActivate,
        AppDeactivate,
        MouseDown,
        FormFocus,
        EntryClick,
        PadChange
    };
    Kind kind = Kind::KeyDown;
    Form* form = nullptr; // Close, MouseDown, FormFocus, EntryClick: the form it is for
    uint8_t vk = 0;       // KeyDown, KeyUp
    char32_t ch = 0;      // KeyDown: the character the key makes (0 = none); Char
    int x = 0, y = 0;     // MouseDown, client coordinates
    bool dbl = false;     // MouseDown, EntryClick: second press of a double click
    int index = 0; // EntryClick: the entry of the form's focused list box; PadChange: the slot
    bool plugged = false; // PadChange: the pad came (true) or went
};

// The full-stop rule of the error box: a message ending in a letter or digit gets ".".
std::string ErrorBoxText(std::string_view message);

class Toolkit : public IApplication, public IInputService {
public:
    explicit Toolkit(IClock& clock);
    ~Toolkit() override;
    Toolkit(const Toolkit&) = delete;
    Toolkit& operator=(const Toolkit&) = delete;

    // Makes a hidden form; the first one made is the main form. The reference stays valid
    // for the toolkit's life.
    Form& CreateForm(std::string name, std::string caption, int left, int top, int width,
                     int height);
    Form* MainForm() const { return forms_.empty() ? nullptr : forms_.front().get(); }
    // The form called `name`; null when there is none.
    Form* FindForm(std::string_view name) const;
    const std::vector<std::unique_ptr<Form>>& Forms() const { return forms_; }
    // The application's active window (kept while the application is in the background);
    // nullptr when none.
    Form* ActiveForm() const { return activeForm_; }

    // The one boundary every handler call goes through: a vl::Error or std::exception that
    // escapes `handler` is shown in the error box and the program goes on. Anything else
    // (the simulator's end of run) passes on.
    // Returns false when the handler failed.
    bool Invoke(const std::function<void()>& handler);
    // The error box for a failure that escaped a handler.
    void ShowError(const std::exception& e);
    // A message box; returns when it has been dismissed.
    void ShowMessage(std::string_view caption, std::string_view text, MessageIcon icon);

    // Shows the main form and runs the message loop until it has closed (or, headless,
    // until nothing can happen any more). Returns the exit code.
    int Run();
    // Runs the loop without showing anything first.
    void RunLoop();
    // Ends the message loop after the current event.
    void Terminate(int exitCode = 0);
    // Ends the message loop with `exitCode` as soon as it looks again (after the event or
    // handler running now). Safe from any thread: a signal's watch calls it.
    void RequestExit(int exitCode);
    bool Terminated() const { return terminated_; }
    int ExitCode() const { return exitCode_; }

    // Queues an event as the backend or the script would.
    void Post(const ToolkitEvent& ev) { queue_.push_back(ev); }

    void SetObserver(ToolkitObserver* observer) { observer_ = observer; }

    // IApplication
    IClock& Clock() override { return clock_; }
    bool IsActive() const override { return appActive_; }
    void SetIdleHandler(IdleHandler handler) override { idle_ = std::move(handler); }
    int AddActivationListener(std::function<void(bool active)> listener) override;
    void RemoveActivationListener(int token) override;

    // IInputService: the backend keeps the tables up to date.
    bool ReadScanCodes(KeyTable& out) override;
    void Acquire() override;
    void Unacquire() override { acquired_ = false; }
    void ReadVirtualKeys(KeyTable& out) override;

    // --- game controllers: up to kPadSlots, each in the slot it took when plugged in ------
    static constexpr int kPadSlots = 4;
    // A backend's game controller `device` (its own id) came, went, pressed or moved. A
    // pad's state changes at once; its d-pad, A and B also reach the active window as the
    // arrow keys, Enter and Esc; a pad that comes or goes is told to OnPadChange.
    void PadPlugged(int device);
    void PadUnplugged(int device);
    void PadButton(int device, int button, bool down);
    void PadAxis(int device, int axis, int value);
    bool ReadPad(int slot, PadState& out) override;
    // Called through the boundary with the slot of a pad that came (true) or went.
    std::function<void(int slot, bool plugged)> OnPadChange;

    // Whether `form` is the desktop's foreground window.
    virtual bool IsForeground(const Form& form) const;
    // The icon every window of the program shows (task bars, window lists): size x size
    // pixels, rows top first, RGBA. The headless backend has nothing to show it on.
    virtual void SetApplicationIcon(int /*size*/, std::span<const uint8_t> /*rgba*/) {}
    // The presenter a display component on `form` shows its frames through: the SDL
    // window, or a headless one keeping the last frame. The form must outlive it.
    virtual std::unique_ptr<IPresenter> CreatePresenter(Form& form);

    // Used by the forms, list boxes and timers.
    void ShowForm(Form& form);
    void HideForm(Form& form);
    void CloseForm(Form& form);
    void ActivateForm(Form* form);
    void NotifySelect(const ListBox& list, int index);
    void Invalidate(Form& form) { BackendInvalidate(form); }
    void AddTimer(Timer* t) { timers_.push_back(t); }
    void RemoveTimer(Timer* t);

protected:
    // Backend operations; the defaults do nothing.
    virtual void BackendCreateWindow(Form& /*form*/) {}
    virtual void BackendShowWindow(Form& /*form*/, bool /*show*/) {}
    // The program made `form` the active window: bring it to the front with the focus.
    virtual void BackendActivateWindow(Form& /*form*/) {}
    virtual void BackendInvalidate(Form& /*form*/) {}
    virtual void BackendPaint() {} // draw what was invalidated, before waiting
    // Moves what the system has for the program into the queue and the key tables.
    virtual void BackendPoll() {}
    // Ends a BackendWait early; called from another thread.
    virtual void BackendWake() {}
    // Waits up to timeoutMs (kIdleForever = no limit) for an event; returns at once when
    // one is already there for BackendPoll. False when no event can come any more
    // (headless: nothing scheduled), which ends the loop.
    virtual bool BackendWait(uint32_t timeoutMs) = 0;
    virtual void BackendMessageBox(std::string_view caption, std::string_view text,
                                   MessageIcon icon) = 0;
    // The application gained or lost the foreground (dispatched from the queue).
    void SetAppActive(bool active);
    // A key went down (scan code and virtual-key codes, 0 = none). The keyboard is polled
    // once a frame, and a sound played with wait holds the thread for up to a second, so a
    // key pressed and released between two reads would never be seen: it is remembered and
    // counts as down in the next read of either table, even when it is up again by then.
    void LatchKeyDown(uint8_t scan, uint8_t vk, uint8_t sidedVk = 0);
    // `table` with the remembered presses of `latched` added; both latches are cleared,
    // since each read is one poll of the keyboard.
    KeyTable WithLatchedKeys(const KeyTable& table, const KeyTable& latched);

    struct Pad {
        int device = -1; // -1: the slot is empty
        PadState state;
    };
    std::array<Pad, kPadSlots> pads_{};
    Pad* FindPad(int device);
    KeyTable scanCodes_{}; // set-1, bit 7 = down
    KeyTable virtualKeys_{};
    KeyTable latchedScan_{}; // keys that went down since the last read, by table
    KeyTable latchedVirtual_{};
    bool acquired_ = false;
    bool foreground_ = true; // the desktop's foreground is one of our windows

private:
    void Dispatch(const ToolkitEvent& ev);
    bool FireDueTimer();
    uint32_t NextTimerDelay();

    IClock& clock_;
    std::vector<std::unique_ptr<Form>> forms_;
    std::vector<Timer*> timers_;
    std::deque<ToolkitEvent> queue_;
    IdleHandler idle_;
    std::map<int, std::function<void(bool)>> activationListeners_;
    int nextListenerToken_ = 1;
    Form* activeForm_ = nullptr;
    bool appActive_ = true;
    bool terminated_ = false;
    int exitCode_ = 0;
    ToolkitObserver* observer_ = nullptr;
    size_t timerCursor_ = 0;           // round-robin start, so one busy timer cannot starve others
    std::atomic<int> exitRequest_{-1}; // RequestExit's code, -1 while none
};

} // namespace vl::platform
