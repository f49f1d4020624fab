// SPDX-License-Identifier: GPL-3.0-or-later
// Keyboard: the keyboard device of the input component and its key table.
//
// Each poll rebuilds KeyStates (256 flags by virtual-key code) from the platform input
// service's scan codes, or from the system keyboard state when the service is absent,
// and then sets every state that has a held key among its three codes.
#pragma once

#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "input/CustomInput.h"
#include "input/KeyMap.h"
#include "platform/Application.h"

namespace vl::input {

class TKeyboard final : public TCustomInput {
public:
    // The stored key table's property name, and the misspelt name older window data
    // carries; both are read, only the first is written.
    static constexpr std::string_view kAssignsProperty = "Assigns";
    static constexpr std::string_view kAssignsPropertyAlias = "Aissgns";

    // Starts with an empty key table (every code 0); the window's data fills it.
    explicit TKeyboard(TCustomDXInput& owner);
    ~TKeyboard() override;

    void Finalize() override;
    // With the service present, opens its keyboard; when that fails the keyboard stays
    // uninitialised (no states, no fallback). Without the service it is initialised
    // without a platform device and reads the system keyboard state.
    void Initialize() override;
    void Poll() override;

    // Bit 7 of KeyStates[code]; false for 0 and for codes above 255 (or below 0).
    bool IsKeyDown(int32_t code) const;
    const platform::KeyTable& KeyStates() const { return keyStates_; }

    const KeyAssigns& Assigns() const { return assigns_; }
    void SetAssigns(const KeyAssigns& assigns) { assigns_ = assigns; }

    // Reads the stored table; throws EDXInputError("Invalid property value") unless the
    // bytes are exactly 432, leaving the current table unchanged.
    void ReadAssigns(std::span<const uint8_t> bytes);
    std::vector<uint8_t> WriteAssigns() const { return EncodeAssigns(assigns_); }

    // The stored binary properties of the keyboard. Returns true when `name` (letter
    // case ignored) is "Assigns" or "Aissgns" and reads the bytes into the table (the
    // errors of ReadAssigns pass through); false for any other name, which the caller
    // then reports as unknown.
    bool DefineProperty(std::string_view name, std::span<const uint8_t> bytes);
    // Writes the stored properties: the table under "Assigns" only.
    using BinaryWriter = std::function<void(std::string_view, std::span<const uint8_t>)>;
    void WriteProperties(const BinaryWriter& write) const;

protected:
    void AcquireDevice() override;

private:
    // Fills keyStates_ from the service's scan codes; false when both reads failed.
    bool ReadThroughService(platform::IInputService& service);

    platform::KeyTable keyStates_{};
    KeyAssigns assigns_{};
    platform::IInputService* device_ = nullptr; // the service whose keyboard is open
};

} // namespace vl::input
