// SPDX-License-Identifier: GPL-3.0-or-later
// Application: what components below the windowing layer need from the application.
//
// The frame timer takes over the application's one idle slot and follows its
// activation; the input component asks whether its window is in front and reads the
// keyboard and joystick. The windowing layer (SDL2 or headless backend) implements
// these interfaces; tests implement them with small fakes.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <limits>

#include "platform/Clock.h"

namespace vl::platform {

// Returned by an idle handler: how long the message loop may wait for the next event
// before calling the handler again. 0 = call again at once; kIdleForever = only after
// the next event. The loop never spins when the handler asks it to wait.
inline constexpr uint32_t kIdleForever = std::numeric_limits<uint32_t>::max();
using IdleHandler = std::function<uint32_t()>;

class IApplication {
public:
    virtual ~IApplication() = default;
    virtual IClock& Clock() = 0;
    // True while the application owns the foreground (one of its windows is active).
    virtual bool IsActive() const = 0;
    // The application's single idle slot; an empty handler clears it.
    virtual void SetIdleHandler(IdleHandler handler) = 0;
    // Activation notifications (true = became active). Returns a token for removal.
    virtual int AddActivationListener(std::function<void(bool active)> listener) = 0;
    virtual void RemoveActivationListener(int token) = 0;
};

// 256 key flags, bit 7 = down.
using KeyTable = std::array<uint8_t, 256>;

// The platform input service: the keyboard as scan codes (set 1, extended keys at
// 128 + code) and the system's virtual-key state, and the first joysticks present.
class IInputService {
public:
    virtual ~IInputService() = default;
    // Reads the scan-code table. False when the device is lost or not acquired.
    virtual bool ReadScanCodes(KeyTable& out) = 0;
    virtual void Acquire() = 0;
    // Opens the keyboard device for the input component; false when it cannot be
    // created (the component then reports no keys, with no fallback).
    virtual bool OpenKeyboard() { return true; }
    // Gives up the keyboard device when the input component closes it.
    virtual void Unacquire() {}
    // The system keyboard state indexed by virtual-key code.
    virtual void ReadVirtualKeys(KeyTable& out) = 0;

    struct JoystickState {
        int32_t x = 0, y = 0, z = 0;    // raw axes, -32768..32767
        std::array<bool, 32> buttons{}; // buttons 1..32
    };
    // A game controller: its buttons as bits, bit b for SDL_GameControllerButton b, and its
    // axes by SDL_GameControllerAxis (sticks -32768..32767, triggers 0..32767).
    struct PadState {
        uint32_t buttons = 0;
        std::array<int16_t, 6> axes{};
        bool Down(int button) const { return ((buttons >> button) & 1U) != 0; }
    };
    // The game controller in `slot`: 0 the first plugged in and still there, 1 the second
    // (a pad unplugged frees its slot for the next one). False when the slot is empty.
    virtual bool ReadPad(int /*slot*/, PadState& /*out*/) { return false; }

    // Joysticks without a game controller's mapping.
    virtual int JoystickCount() { return 0; }
    // Reads joystick `id`; false when it is not present.
    virtual bool ReadJoystick(int /*id*/, JoystickState& /*out*/) { return false; }
};

} // namespace vl::platform
