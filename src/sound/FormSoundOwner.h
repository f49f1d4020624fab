// SPDX-License-Identifier: GPL-3.0-or-later
// FormSoundOwner: a window seen by its sound device as the owner whose handle the mixer's
// cooperative level is set on.
//
// Our forms keep one native handle for their whole life, so the hook that would set the
// level again on a new handle is kept but never has cause to run.
#pragma once

#include <functional>
#include <map>

#include "platform/ToolkitForm.h"
#include "sound/DXSounds.h"

namespace vl::sound {

class FormSoundOwner final : public SoundOwnerWindow {
public:
    explicit FormSoundOwner(const platform::Form& form) : form_(form) {}
    uint64_t NativeHandle() const override { return form_.Handle(); }
    void AddHandleHook(const void* key, std::function<void(uint64_t)> onNewHandle) override {
        hooks_[key] = std::move(onNewHandle);
    }
    void RemoveHandleHook(const void* key) override { hooks_.erase(key); }

private:
    const platform::Form& form_;
    std::map<const void*, std::function<void(uint64_t)>> hooks_;
};

} // namespace vl::sound
