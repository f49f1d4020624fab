// SPDX-License-Identifier: GPL-3.0-or-later
// Keyboard: opening the service's keyboard, the poll with its one retry, the stored table.
#include "input/Keyboard.h"

#include "input/DXInput.h"

namespace vl::input {

namespace {
bool SameAsciiName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}
} // namespace

TKeyboard::TKeyboard(TCustomDXInput& owner) : TCustomInput(owner) {}

TKeyboard::~TKeyboard() {
    // The owner finalises its devices before freeing them; this covers a keyboard
    // freed on its own, so the service's device is never left open.
    if (device_ != nullptr) device_->Unacquire();
}

void TKeyboard::Finalize() {
    keyStates_.fill(0);
    if (device_ != nullptr) {
        device_->Unacquire();
        device_ = nullptr;
    }
    TCustomInput::Finalize();
}

void TKeyboard::Initialize() {
    Finalize();
    if (!Enabled()) return;
    platform::IInputService* service = Owner().Service();
    if (service != nullptr) {
        if (!service->OpenKeyboard()) return; // no states, and deliberately no fallback
        device_ = service;
        deviceOpen_ = true;
    }
    initialized_ = true;
}

void TKeyboard::AcquireDevice() {
    if (device_ != nullptr) device_->Acquire();
}

bool TKeyboard::ReadThroughService(platform::IInputService& service) {
    platform::KeyTable scan{};
    if (!service.ReadScanCodes(scan)) {
        // Lost or not acquired (after a switch of windows): acquire and read once more.
        service.Acquire();
        scan.fill(0);
        if (!service.ReadScanCodes(scan)) return false;
    }
    for (size_t code = 0; code < scan.size(); ++code) {
        if ((scan[code] & 0x80) == 0) continue;
        const uint8_t vk = ScanCodeToVirtualKey(static_cast<uint8_t>(code));
        // Unlisted keys map to 0, which IsKeyDown never reports, so marking it is harmless.
        keyStates_[vk] = 0x80;
    }
    return true;
}

void TKeyboard::Poll() {
    keyStates_.fill(0);
    deviceStates_.Clear();
    if (!initialized_) return;
    if (Owner().ActiveOnly() && !Owner().OwnerIsForeground()) return;

    if (device_ != nullptr) {
        if (!ReadThroughService(*device_)) {
            keyStates_.fill(0); // a failed poll counts no key as down; the next one retries
            return;
        }
    } else if (platform::IInputService* system = Owner().System()) {
        system->ReadVirtualKeys(keyStates_);
    }

    for (size_t state = 0; state < kInputStateCount; ++state) {
        for (int32_t code : assigns_[state]) {
            if (IsKeyDown(code)) {
                deviceStates_.Add(static_cast<int>(state));
                break;
            }
        }
    }
}

bool TKeyboard::IsKeyDown(int32_t code) const {
    if (code <= 0 || code > 255) return false;
    return (keyStates_[static_cast<size_t>(code)] & 0x80) != 0;
}

void TKeyboard::ReadAssigns(std::span<const uint8_t> bytes) {
    assigns_ = DecodeAssigns(bytes);
}

bool TKeyboard::DefineProperty(std::string_view name, std::span<const uint8_t> bytes) {
    if (!SameAsciiName(name, kAssignsProperty) && !SameAsciiName(name, kAssignsPropertyAlias))
        return false;
    ReadAssigns(bytes);
    return true;
}

void TKeyboard::WriteProperties(const BinaryWriter& write) const {
    const std::vector<uint8_t> bytes = WriteAssigns();
    write(kAssignsProperty, bytes);
}

} // namespace vl::input
