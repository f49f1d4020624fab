// SPDX-License-Identifier: GPL-3.0-or-later
// SignalWatch: the handlers, the pipe they write to, and the thread that reads it; on
// Windows the console's control handler, which Windows runs on a thread of its own.
#include "platform/SignalWatch.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <iterator>

#include "base/Check.h"

namespace vl::platform {

#ifdef _WIN32

namespace {

// The one watch the console's handler reaches.
std::atomic<SignalWatch*> gWatch{nullptr};

// Ctrl+C and Ctrl+Break are SIGINT's; closing the console is SIGHUP's; the session's
// logoff and shutdown are SIGTERM's, with the exit codes they have on Linux.
BOOL WINAPI OnControl(DWORD event) {
    SignalWatch* watch = gWatch.load();
    if (!watch) return FALSE;
    int sig = SIGTERM;
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) sig = SIGINT;
    if (event == CTRL_CLOSE_EVENT) sig = 1; // SIGHUP
    watch->Deliver(128 + sig);
    return TRUE;
}

} // namespace

SignalWatch::SignalWatch(std::function<void(int)> onSignal, std::chrono::milliseconds grace)
    : onSignal_(std::move(onSignal)), grace_(grace) {
    SignalWatch* none = nullptr;
    VL_CHECK(gWatch.compare_exchange_strong(none, this), "one SignalWatch at a time");
    SetConsoleCtrlHandler(&OnControl, TRUE);
}

SignalWatch::~SignalWatch() {
    SetConsoleCtrlHandler(&OnControl, FALSE);
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    done_.notify_all();
    gWatch = nullptr;
}

void SignalWatch::Deliver(int code) {
    if (exitCode_.exchange(code) >= 0) std::_Exit(code); // asked twice: at once
    if (onSignal_) onSignal_(code);
    std::unique_lock lock(mutex_);
    // Windows ends the process when the handler returns from a close, logoff or shutdown:
    // the program has the grace to tear itself down first.
    if (!done_.wait_for(lock, grace_, [this] { return stopping_; })) std::_Exit(code);
}

void SignalWatch::Watch() {}

#else

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// What a signal handler may reach is only what lies at a fixed place: the write end of
// the watch's pipe, and the handlers to put back. One watch at a time.
std::atomic<int> gWriteFd{-1};
struct sigaction gPrevious[3];

void OnSignal(int sig) {
    const int saved = errno;
    const int fd = gWriteFd.load();
    const auto byte = static_cast<unsigned char>(sig);
    if (fd >= 0 && ::write(fd, &byte, 1) != 1) _exit(128 + sig); // the pipe is full: end now
    errno = saved;
}

} // namespace

SignalWatch::SignalWatch(std::function<void(int)> onSignal, std::chrono::milliseconds grace)
    : onSignal_(std::move(onSignal)), grace_(grace) {
    VL_CHECK(gWriteFd.load() < 0, "one SignalWatch at a time");
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return; // no watch: signals as before
    gWriteFd = pipe_[1];
    struct sigaction sa {};
    sa.sa_handler = &OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &sa, &gPrevious[i]);
    thread_ = std::thread([this] { Watch(); });
}

SignalWatch::~SignalWatch() {
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        done_.notify_all();
        const unsigned char wake = 0;
        (void)::write(pipe_[1], &wake, 1);
        thread_.join();
        for (size_t i = 0; i < std::size(kSignals); ++i)
            sigaction(kSignals[i], &gPrevious[i], nullptr);
        gWriteFd = -1;
    }
    for (const int fd : pipe_)
        if (fd >= 0) ::close(fd);
}

void SignalWatch::Watch() {
    for (;;) {
        pollfd p{pipe_[0], POLLIN, 0};
        if (::poll(&p, 1, -1) < 0) continue; // interrupted
        unsigned char sig = 0;
        if (::read(pipe_[0], &sig, 1) != 1) continue;
        std::unique_lock lock(mutex_);
        if (stopping_) return;
        if (sig == 0) continue;
        const int code = 128 + sig;
        if (exitCode_.exchange(code) >= 0) _exit(code); // asked twice: at once
        lock.unlock();
        if (onSignal_) onSignal_(code);
        lock.lock();
        // The program tears itself down and destroys the watch; one that cannot (held in a
        // loop of its own) is ended here.
        if (!done_.wait_for(lock, grace_, [this] { return stopping_; })) _exit(code);
        return;
    }
}

void SignalWatch::Deliver(int /*code*/) {}

#endif

} // namespace vl::platform
