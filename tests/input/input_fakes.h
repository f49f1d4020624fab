// SPDX-License-Identifier: GPL-3.0-or-later
// input_fakes: a scripted application and input service for the input and timer tests.
#pragma once

#include <map>

#include "platform/Application.h"
#include "platform/Clock.h"

namespace vl::input::test {

// An application on virtual time whose activation the test switches by hand.
class FakeApplication final : public platform::IApplication {
public:
    platform::IClock& Clock() override { return clock; }
    bool IsActive() const override { return active; }
    void SetIdleHandler(platform::IdleHandler handler) override {
        idle = std::move(handler);
        ++idleSets;
    }
    int AddActivationListener(std::function<void(bool)> listener) override {
        listeners[next] = std::move(listener);
        return next++;
    }
    void RemoveActivationListener(int token) override { listeners.erase(token); }

    void SetActive(bool value) {
        active = value;
        auto copy = listeners;
        for (auto& [token, listener] : copy) listener(value);
    }
    // Runs one idle call at virtual time t; returns the handler's wait, or -1 when no
    // handler is installed.
    int64_t IdleAt(uint64_t t) {
        clock.AdvanceTo(t);
        if (!idle) return -1;
        const platform::IdleHandler handler = idle;
        return handler();
    }

    platform::VirtualClock clock{0};
    bool active = true;
    platform::IdleHandler idle;
    int idleSets = 0;
    std::map<int, std::function<void(bool)>> listeners;
    int next = 0;
};

// Scan-code keyboard and virtual-key state the test presses keys on.
class FakeInputService final : public platform::IInputService {
public:
    bool ReadScanCodes(platform::KeyTable& out) override {
        ++reads;
        if (failReads > 0) {
            --failReads;
            return false;
        }
        out = scan;
        return true;
    }
    void Acquire() override { ++acquires; }
    bool OpenKeyboard() override { return openKeyboard; }
    void Unacquire() override { ++unacquires; }
    void ReadVirtualKeys(platform::KeyTable& out) override { out = vk; }
    int JoystickCount() override { return joysticks; }
    bool ReadJoystick(int id, JoystickState& out) override {
        if (id >= joysticks) return false;
        out = joy;
        return true;
    }

    void PressScan(int code) { scan[static_cast<size_t>(code)] = 0x80; }
    void ReleaseScan(int code) { scan[static_cast<size_t>(code)] = 0; }

    platform::KeyTable scan{};
    platform::KeyTable vk{};
    int failReads = 0;
    int reads = 0;
    int acquires = 0;
    int unacquires = 0;
    bool openKeyboard = true;
    int joysticks = 0;
    JoystickState joy;
};

} // namespace vl::input::test
