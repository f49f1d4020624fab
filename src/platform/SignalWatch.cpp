// SPDX-License-Identifier: GPL-3.0-or-later
// SignalWatch: the handlers, the pipe they write to, and the thread that reads it.
#include "platform/SignalWatch.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <iterator>

#include "base/Check.h"

namespace vl::platform {

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

} // namespace vl::platform
