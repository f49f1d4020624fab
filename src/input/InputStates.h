// SPDX-License-Identifier: GPL-3.0-or-later
// InputStates: the 36 numbered input states, the set type that holds them, and the
// input component's error class.
//
// The match tests single states after each poll; devices fill one set per poll and
// the component merges them. The set is a 64-bit word with only the low 36 bits used,
// so copying and comparing sets costs nothing in the frame loop.
#pragma once

#include <cstddef>
#include <cstdint>

#include "container/Error.h"

namespace vl::input {

// The numbered states: four directions, then buttons 1..32 (button N is state N + 3).
enum InputState : uint8_t {
    InputUp = 0,
    InputDown,
    InputLeft,
    InputRight,
    InputButton1,
    InputButton2,
    InputButton3,
    InputButton4,
    InputButton5,
    InputButton6,
    InputButton7,
    InputButton8,
    InputButton9,
    InputButton10,
    InputButton11,
    InputButton12,
    InputButton13,
    InputButton14,
    InputButton15,
    InputButton16,
    InputButton17,
    InputButton18,
    InputButton19,
    InputButton20,
    InputButton21,
    InputButton22,
    InputButton23,
    InputButton24,
    InputButton25,
    InputButton26,
    InputButton27,
    InputButton28,
    InputButton29,
    InputButton30,
    InputButton31,
    InputButton32,
};

inline constexpr size_t kInputStateCount = 36;

// The state of joystick/key-table button n (1..32).
constexpr InputState ButtonState(int n) {
    return static_cast<InputState>(n + 3);
}

// A set over the 36 states. Values outside 0..35 are never members: Add/Remove
// ignore them and Contains answers false, so a bad number cannot reach other bits.
class InputStates {
public:
    constexpr InputStates() = default;

    constexpr bool Contains(int state) const {
        return state >= 0 && state < static_cast<int>(kInputStateCount) &&
               ((bits_ >> state) & 1U) != 0;
    }
    constexpr void Add(int state) {
        if (state >= 0 && state < static_cast<int>(kInputStateCount)) bits_ |= Bit(state);
    }
    constexpr void Remove(int state) {
        if (state >= 0 && state < static_cast<int>(kInputStateCount)) bits_ &= ~Bit(state);
    }
    constexpr void Clear() { bits_ = 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr uint64_t Bits() const { return bits_; }

    constexpr InputStates& operator|=(InputStates other) {
        bits_ |= other.bits_;
        return *this;
    }
    friend constexpr InputStates operator|(InputStates a, InputStates b) { return a |= b; }
    friend constexpr bool operator==(InputStates, InputStates) = default;

private:
    static constexpr uint64_t Bit(int state) { return uint64_t{1} << state; }
    uint64_t bits_ = 0;
};

// Failures of the input component ("Form not found", a malformed stored key table).
class EDXInputError : public Error {
public:
    using Error::Error;
};

inline constexpr const char* kFormNotFound = "Form not found";

} // namespace vl::input
