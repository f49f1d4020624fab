// SPDX-License-Identifier: GPL-3.0-or-later
// DXSounds: the sound device (opening, closing, restoring, its listeners) and the wave
// list that keeps a bank attached to it. The bank itself is in DXSoundsBank.cpp.
#include "sound/DXSounds.h"

#include <algorithm>

namespace vl::sound {

// --- TCustomDXSound --------------------------------------------------------------------

TCustomDXSound::TCustomDXSound(SoundContext context, SoundOwnerWindow* owner)
    : context_(context), owner_(owner) {}

TCustomDXSound::~TCustomDXSound() {
    Finalize();
    NotifyEventList(TDXSoundNotifyType::dsntDestroying);
}

void TCustomDXSound::Loaded() {
    if (!autoInitialize_) return;
    try {
        Initialize();
    } catch (const EDirectSoundError&) {
        // No mixer device: the window goes on silent.
    }
}

void TCustomDXSound::Initialize() {
    Finalize();
    SoundOwnerWindow* window = owner_;
    if (!window) throw EDXSoundError(std::string(kFormNotFound));

    NotifyEventList(TDXSoundNotifyType::dsntInitializing);
    if (OnInitializing) OnInitializing(*this);
    calledDoInitialize_ = true;
    try {
        if (!context_.backend) throw Error(Format(kNotLoaded, {kDSoundLibraryName}));
        dsound_ = std::make_unique<TDXSoundDirectSound>(*this, *context_.backend);
        primary_ = std::make_unique<TDirectSoundBuffer>(*dsound_);
        if (!primary_->CreatePrimary()) {
            throw EDXSoundError(Format(kCannotMade, {kPrimaryBufferName}));
        }
        initialized_ = true;
        hookedWindow_ = window;
        window->AddHandleHook(this, [this](uint64_t handle) { SetCooperativeLevel(handle); });
        SetCooperativeLevel(window->NativeHandle());
    } catch (...) {
        Finalize();
        throw;
    }

    NotifyEventList(TDXSoundNotifyType::dsntInitialize);
    initializeEventFired_ = true;
    if (OnInitialize) OnInitialize(*this);
    Restore();
}

void TCustomDXSound::SetCooperativeLevel(uint64_t handle) {
    if (!dsound_) return;
    const uint32_t level = (options_ & soExclusive) ? kCooperativeExclusive : kCooperativeNormal;
    // The mixer mixes every device whatever it answers; the answer is only recorded.
    dsound_->SetCooperativeLevel(handle, level);
}

void TCustomDXSound::Finalize() {
    if (!calledDoInitialize_) return;
    if (hookedWindow_) {
        hookedWindow_->RemoveHandleHook(this);
        hookedWindow_ = nullptr;
    }
    if (initializeEventFired_) {
        initializeEventFired_ = false;
        if (OnFinalize) OnFinalize(*this);
    }
    NotifyEventList(TDXSoundNotifyType::dsntFinalize);
    calledDoInitialize_ = false;
    initialized_ = false;
    primary_.reset();
    dsound_.reset(); // takes the buffers of anything still bound to it
}

void TCustomDXSound::Restore() {
    if (!initialized_) return;
    NotifyEventList(TDXSoundNotifyType::dsntRestore);
    if (OnRestore) OnRestore(*this);
}

void TCustomDXSound::BufferLost() {
    if (restoring_) return;
    // The mark is cleared however the restore ends, so that a later loss restores again.
    struct Mark {
        bool& flag;
        explicit Mark(bool& f) : flag(f) { flag = true; }
        ~Mark() { flag = false; }
        Mark(const Mark&) = delete;
        Mark& operator=(const Mark&) = delete;
    } mark(restoring_);
    Restore();
}

void TCustomDXSound::RegisterNotifyEvent(TCustomDXWaveList* list, NotifyEvent event) {
    listeners_.emplace_back(std::move(event), list);
}

void TCustomDXSound::UnRegisterNotifyEvent(TCustomDXWaveList* list) {
    std::erase_if(listeners_, [list](const auto& entry) { return entry.second == list; });
}

void TCustomDXSound::NotifyEventList(TDXSoundNotifyType type) {
    // A listener may detach itself (or others) while being told, so walk a snapshot and
    // skip entries that have left meanwhile.
    const auto snapshot = listeners_;
    for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
        const bool stillAttached =
            std::find_if(listeners_.begin(), listeners_.end(), [&](const auto& entry) {
                return entry.second == it->second;
            }) != listeners_.end();
        if (stillAttached && it->first) it->first(*this, type);
    }
}

// --- TCustomDXWaveList -----------------------------------------------------------------

TCustomDXWaveList::TCustomDXWaveList(std::string name)
    : name_(std::move(name)), items_(std::make_unique<TWaveCollection>(this)) {}

TCustomDXWaveList::~TCustomDXWaveList() {
    SetDXSound(nullptr);
    items_.reset();
}

void TCustomDXWaveList::SetDXSound(TCustomDXSound* dxsound) {
    if (dxsound == dxsound_) return;
    if (dxsound_) {
        dxsound_->UnRegisterNotifyEvent(this);
        // Bound only while the old device is open.
        if (items_->DXSound()) items_->Finalize();
    }
    dxsound_ = dxsound;
    if (!dxsound_) return;
    dxsound_->RegisterNotifyEvent(this, [this](TCustomDXSound& sender, TDXSoundNotifyType type) {
        DXSoundNotify(sender, type);
    });
    if (dxsound_->Initialized()) {
        items_->Initialize(*dxsound_);
        items_->Restore();
    }
}

void TCustomDXWaveList::DXSoundNotify(TCustomDXSound& sender, TDXSoundNotifyType type) {
    switch (type) {
    case TDXSoundNotifyType::dsntDestroying:
        SetDXSound(nullptr);
        break;
    case TDXSoundNotifyType::dsntInitializing:
        break;
    case TDXSoundNotifyType::dsntInitialize:
        items_->Initialize(sender);
        break;
    case TDXSoundNotifyType::dsntFinalize:
        items_->Finalize();
        break;
    case TDXSoundNotifyType::dsntRestore:
        items_->Restore();
        break;
    }
}

} // namespace vl::sound
