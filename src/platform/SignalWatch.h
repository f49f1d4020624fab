// SPDX-License-Identifier: GPL-3.0-or-later
// SignalWatch: SIGTERM, SIGINT and SIGHUP end the program promptly, with exit code
// 128 + the signal's number, wherever it is — the menu, a match, the guide, an error box.
//
// The handler only writes the signal's number into a pipe; a thread of the watch reads it,
// asks the program to end (the callback: the message loop then ends after its current
// event, and everything is torn down as after a close), and, when the program has not
// ended within the grace (a modal error box runs a loop of its own), ends the process
// itself with _exit. A second signal of the same kind also ends it at once. On Windows the
// console's Ctrl+C and Ctrl+Break (SIGINT's code), its closing (SIGHUP's) and the session's
// logoff and shutdown (SIGTERM's) do the same.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace vl::platform {

class SignalWatch {
public:
    // Installs the handlers and starts the thread. `onSignal(exitCode)` runs on that thread
    // and must be safe to call from it.
    SignalWatch(std::function<void(int exitCode)> onSignal, std::chrono::milliseconds grace);
    // Puts the previous handlers back and stops the thread; the program ends normally.
    ~SignalWatch();
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    // The exit code a signal asked for (128 + its number), or -1 when none came.
    int ExitCode() const { return exitCode_.load(); }
    // Windows: a console event, as `code` (run on the thread Windows gives the handler).
    void Deliver(int code);

private:
    void Watch();

    std::function<void(int)> onSignal_;
    std::chrono::milliseconds grace_;
    std::atomic<int> exitCode_{-1};
    int pipe_[2] = {-1, -1};
    std::mutex mutex_;
    std::condition_variable done_;
    bool stopping_ = false; // guarded by mutex_
    std::thread thread_;
};

} // namespace vl::platform
