// SPDX-License-Identifier: GPL-3.0-or-later
// PulseCheck: one short connection to the PulseAudio server through libpulse, loaded at
// run time, to read whether it has a default sink and source.
#include "platform/PulseCheck.h"

#ifdef _WIN32

namespace vl::platform {

// Windows has no PulseAudio server: SDL's own Windows output is used as it is.
PulseOutputs AskPulseServer(uint32_t /*timeoutMs*/) {
    return PulseOutputs::NoServer;
}

bool SdlMayUsePulse() {
    return false;
}

} // namespace vl::platform

#else

#include <dlfcn.h>
#include <pulse/pulseaudio.h>

#include <chrono>
#include <cstdlib>
#include <string_view>
#include <thread>

namespace vl::platform {

namespace {

// The few libpulse functions the check needs, looked up in the library it loads.
struct Pulse {
    decltype(&pa_mainloop_new) mainloopNew = nullptr;
    decltype(&pa_mainloop_get_api) mainloopApi = nullptr;
    decltype(&pa_mainloop_iterate) iterate = nullptr;
    decltype(&pa_mainloop_free) mainloopFree = nullptr;
    decltype(&pa_context_new) contextNew = nullptr;
    decltype(&pa_context_connect) connect = nullptr;
    decltype(&pa_context_get_state) state = nullptr;
    decltype(&pa_context_get_server_info) serverInfo = nullptr;
    decltype(&pa_operation_get_state) operationState = nullptr;
    decltype(&pa_operation_unref) operationUnref = nullptr;
    decltype(&pa_context_disconnect) disconnect = nullptr;
    decltype(&pa_context_unref) contextUnref = nullptr;

    // Loads every function from `lib`; false when one is missing.
    bool Load(void* lib) {
        bool ok = true;
        const auto get = [&](auto& fn, const char* name) {
            // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): how dlsym is used
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
            ok = ok && fn != nullptr;
        };
        get(mainloopNew, "pa_mainloop_new");
        get(mainloopApi, "pa_mainloop_get_api");
        get(iterate, "pa_mainloop_iterate");
        get(mainloopFree, "pa_mainloop_free");
        get(contextNew, "pa_context_new");
        get(connect, "pa_context_connect");
        get(state, "pa_context_get_state");
        get(serverInfo, "pa_context_get_server_info");
        get(operationState, "pa_operation_get_state");
        get(operationUnref, "pa_operation_unref");
        get(disconnect, "pa_context_disconnect");
        get(contextUnref, "pa_context_unref");
        return ok;
    }
};

struct Answer {
    bool done = false;
    bool outputs = false;
};

void OnServerInfo(pa_context* /*context*/, const pa_server_info* info, void* user) {
    auto& answer = *static_cast<Answer*>(user);
    answer.done = true;
    answer.outputs = info != nullptr && info->default_sink_name != nullptr &&
                     info->default_source_name != nullptr;
}

// One connection, asked once; every object it made is released on every path.
PulseOutputs Ask(const Pulse& pa, uint32_t timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    pa_mainloop* loop = pa.mainloopNew();
    if (loop == nullptr) return PulseOutputs::NoServer;
    pa_context* context = pa.contextNew(pa.mainloopApi(loop), "vlnedla");
    PulseOutputs result = PulseOutputs::NoServer;
    pa_operation* op = nullptr;
    Answer answer;
    if (context != nullptr && pa.connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        while (Clock::now() < deadline) {
            if (pa.iterate(loop, 0, nullptr) < 0) break;
            const pa_context_state_t s = pa.state(context);
            if (!PA_CONTEXT_IS_GOOD(s)) break;
            if (s == PA_CONTEXT_READY && op == nullptr) {
                op = pa.serverInfo(context, &OnServerInfo, &answer);
                if (op == nullptr) break;
            }
            if (answer.done) {
                result = answer.outputs ? PulseOutputs::Present : PulseOutputs::Missing;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    if (op != nullptr) pa.operationUnref(op);
    if (context != nullptr) {
        pa.disconnect(context);
        pa.contextUnref(context);
    }
    pa.mainloopFree(loop);
    return result;
}

} // namespace

PulseOutputs AskPulseServer(uint32_t timeoutMs) {
    void* lib = dlopen("libpulse.so.0", RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) return PulseOutputs::NoServer;
    Pulse pa;
    const PulseOutputs result = pa.Load(lib) ? Ask(pa, timeoutMs) : PulseOutputs::NoServer;
    dlclose(lib);
    return result;
}

bool SdlMayUsePulse() {
    const char* env = std::getenv("SDL_AUDIODRIVER");
    if (env == nullptr || *env == '\0') return true;
    // A comma-separated list of drivers, tried in order.
    std::string_view list(env);
    while (!list.empty()) {
        const size_t comma = list.find(',');
        const std::string_view name = list.substr(0, comma);
        if (name == "pulseaudio" || name == "pulse") return true;
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return false;
}

} // namespace vl::platform

#endif
