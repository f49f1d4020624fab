// SPDX-License-Identifier: GPL-3.0-or-later
// FrameInput: what a match reads each frame — for each side the set of that player's
// actions, and whether the match is to be left. Whatever plays (keys, joystick, computer,
// network, replay) produces one of these per frame; no rule reads a key or a state number.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vl::input {

// Left is player 1, right player 2.
enum class Side : uint8_t { Left, Right };

constexpr Side Opposite(Side s) {
    return s == Side::Left ? Side::Right : Side::Left;
}

// A player's actions, in the order of their bits (the duel's input word relies on it).
enum class Action : uint8_t {
    Climb,
    Descend,
    Gun,
    Missile,
    Machgun,
    Magnet,
    SayEnergy,
    SayBullets,
    SayMissiles,
    SayRounds,
};
inline constexpr size_t kActionCount = 10;

// A set of actions as bits, bit i for Action i.
class ActionSet {
public:
    static constexpr uint16_t kAllBits = (1U << kActionCount) - 1;

    constexpr ActionSet() = default;
    // Bits beyond the actions are dropped.
    static constexpr ActionSet FromBits(uint16_t bits) {
        ActionSet s;
        s.bits_ = static_cast<uint16_t>(bits & kAllBits);
        return s;
    }
    constexpr uint16_t Bits() const { return bits_; }
    constexpr bool Has(Action a) const { return (bits_ & Bit(a)) != 0; }
    constexpr void Add(Action a) { bits_ = static_cast<uint16_t>(bits_ | Bit(a)); }
    friend constexpr bool operator==(ActionSet, ActionSet) = default;

private:
    static constexpr uint16_t Bit(Action a) {
        return static_cast<uint16_t>(1U << static_cast<unsigned>(a));
    }
    uint16_t bits_ = 0;
};

struct FrameInput {
    std::array<ActionSet, 2> sides{};
    bool leave = false; // Esc: the match window closes after this frame

    constexpr ActionSet& Of(Side s) { return sides[static_cast<size_t>(s)]; }
    constexpr ActionSet Of(Side s) const { return sides[static_cast<size_t>(s)]; }
    constexpr bool Has(Side s, Action a) const { return Of(s).Has(a); }
    friend constexpr bool operator==(const FrameInput&, const FrameInput&) = default;
};

} // namespace vl::input
