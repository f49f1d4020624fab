// SPDX-License-Identifier: GPL-3.0-or-later
// Check: invariants checked in every build type. A check whose cost is trivial stays on in
// release builds too, so a broken invariant ends the program at once with the file and
// line instead of corrupting a match, a file or a peer's state later on.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace vl::base {

// Writes "vlnedla: invariant broken at FILE:LINE: WHAT" to standard error and aborts.
[[noreturn]] inline void CheckFailed(const char* file, int line, const char* what) noexcept {
    std::fprintf(stderr, "vlnedla: invariant broken at %s:%d: %s\n", file, line, what);
    std::fflush(stderr);
    std::abort();
}

} // namespace vl::base

// VL_CHECK(condition, "what must hold"): ends the program when the condition is false.
// NOLINTNEXTLINE(cppcoreguidelines-macro-usage): needs the caller's file and line
#define VL_CHECK(cond, what)                                                                       \
    do {                                                                                           \
        if (!(cond)) [[unlikely]]                                                                  \
            ::vl::base::CheckFailed(__FILE__, __LINE__, (what));                                   \
    } while (false)
