// SPDX-License-Identifier: GPL-3.0-or-later
// Script: the simulator's timeline of a user's actions, read from a script file.
//
// One command a line; `#` starts a comment line (or, after a command other than
// `type`, the rest of the line), blank lines are skipped. `wait MS` moves
// the timeline on, every other command happens at the timeline's time then.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vl::sim {

struct Action {
    enum class Kind {
        Down,
        Up,
        Press,
        Type,
        Close,
        Deactivate,
        Activate,
        Dump,
        Shot,
        Click,
        DblClick,
        Set,
        AudioLost,
        AudioBack,
        Await,
        PadPlug,
        PadUnplug,
        PadDown,
        PadUp,
        PadAxis
    };
    uint64_t t = 0; // timeline ms
    Kind kind = Kind::Dump;
    uint8_t vk = 0;    // Down, Up, Press
    std::string text;  // Type, UTF-8; Shot, the file; Set, the name; Await, the window or "end"
    std::string value; // Set: "true", "false" or a whole number; Await "end": the longest wait
    int index = 0;     // Click, DblClick: the list box entry; Pad*: the pad's number
    int control = 0;   // PadDown, PadUp: SDL's button; PadAxis: SDL's axis
    int amount = 0;    // PadAxis: the axis' value
    int line = 0;
};

struct Script {
    std::vector<Action> actions; // in timeline order
    uint64_t endMs = 0;          // the timeline's time after its last command
};

// A script line that cannot be read: "line N: ..." is the message.
struct ScriptError {
    std::string message;
};

// Parses a script text. Throws ScriptError naming the first bad line.
Script ParseScript(std::string_view text);

} // namespace vl::sim
