// SPDX-License-Identifier: GPL-3.0-or-later
// SdlToolkit: the windowing layer on SDL2 — one SDL window per form, drawn in software,
// list box text through SDL2_ttf in the system's sans-serif face, SDL message boxes,
// focus events as activation, and the keyboard and joystick for the input component.
//
// The loop blocks in SDL_WaitEventTimeout until an event comes or the next timer or idle
// deadline is due, so an idle menu costs next to no processor time.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Toolkit.h"

namespace vl::platform {

class SdlToolkit final : public Toolkit {
public:
    // Opens SDL's video and joystick subsystems and the list box font. Throws vl::Error
    // when there is no video (no display). A missing font only leaves the lists blank.
    explicit SdlToolkit(IClock& clock);
    ~SdlToolkit() override;

    // The SDL window of a form (for the match window's display); nullptr when unknown.
    SDL_Window* WindowOf(const Form& form) const;

    // IInputService: SDL's keyboard state, read once per call.
    bool ReadScanCodes(KeyTable& out) override;
    void ReadVirtualKeys(KeyTable& out) override;
    int JoystickCount() override;
    bool ReadJoystick(int id, JoystickState& out) override;
    bool IsForeground(const Form& form) const override;
    std::unique_ptr<IPresenter> CreatePresenter(Form& form) override;

protected:
    void BackendCreateWindow(Form& form) override;
    void BackendShowWindow(Form& form, bool show) override;
    void BackendActivateWindow(Form& form) override;
    void BackendInvalidate(Form& form) override;
    void BackendPaint() override;
    void BackendPoll() override;
    bool BackendWait(uint32_t timeoutMs) override;
    void SetApplicationIcon(int size, std::span<const uint8_t> rgba) override;
    void BackendWake() override;
    void BackendMessageBox(std::string_view caption, std::string_view text,
                           MessageIcon icon) override;

private:
    // While a pad is plugged in, the longest sleep between two pumps of the pads: a frame.
    static constexpr uint32_t kPadPollMs = 10;
    struct Window {
        Form* form = nullptr;
        SDL_Window* sdl = nullptr;
        bool dirty = true;
        // The paints of its surface, for its presenter (which may outlive the entry).
        std::shared_ptr<uint64_t> paints = std::make_shared<uint64_t>(0);
    };
    void PadWait(uint32_t timeoutMs); // BackendWait with a pad plugged in, on X11
    Window* Find(uint32_t windowId);
    Window* Find(const Form& form);
    const Window* Find(const Form& form) const;
    void Paint(Window& w);
    void TranslateEvent(const SDL_Event& e);
    void RefreshKeyTables();

    std::vector<Window> windows_;
    std::vector<uint8_t> iconPixels_; // the application icon's RGBA; empty: none
    int iconSize_ = 0;
    TTF_Font* font_ = nullptr;
    std::string fontPath_;
    // The device index of plain joystick `id` (without a game controller's mapping); -1: none.
    static int PlainJoystick(int id);
    std::vector<SDL_Joystick*> joysticks_;    // opened on first read, by device index
    std::map<int, SDL_GameController*> pads_; // by joystick instance id
    bool focusLostPending_ = false;
    bool waitTimedOut_ = false;   // the last wait ended with nothing to take
    int windowSystemSocket_ = -1; // the X connection's, once a window is made on X11
};

// The font a Windows release carries in the program's own folder.
inline constexpr const char* kBundledFont = "DejaVuSans.ttf";
// The file of the system's default sans-serif face (fontconfig; on Windows kBundledFont in
// the program's folder); empty when none.
std::string FindSansSerifFont();

} // namespace vl::platform
