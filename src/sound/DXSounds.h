// SPDX-License-Identifier: GPL-3.0-or-later
// DXSounds: the sound device of a window, its wave lists and their banks of named
// sounds held ready in mixer buffers, with the rules by which items are played.
//
// Index:
//   - SoundContext, SoundOwnerWindow: what the program hands a device
//   - TDXSoundOptions, TDXSoundNotifyType
//   - TWaveCollectionItem: one named sound, its buffer and its one-shot copies
//   - TWaveCollection: the bank, its name index and its loading
//   - TCustomDXSound / TDXSound: the device (open, close, restore, listeners)
//   - TCustomDXWaveList / TDXWaveList: a bank attached to a device
//
// Everything here runs on the program's one thread; the mixer plays on its own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "container/HashCollection.h"
#include "container/ObjectStream.h"
#include "platform/Clock.h"
#include "platform/Mixer.h"
#include "sound/DXSoundsMixer.h"
#include "sound/SoundErrors.h"
#include "sound/SoundTrace.h"
#include "sound/Wave.h"

namespace vl::sound {

// What the program gives a sound device. `backend` nullptr stands for a platform
// without its sound library: Initialize then fails with "DSound.dll not loaded".
// `clock` is what Play(wait) sleeps on; nullptr means the device's own real clock.
// Both must outlive every device and bank they are given to.
struct SoundContext {
    platform::AudioBackend* backend = nullptr;
    platform::IClock* clock = nullptr;
};

// The window a device belongs to: the mixer's cooperative level is set on its native
// handle, and set again whenever the window makes its handle anew.
class SoundOwnerWindow {
public:
    virtual ~SoundOwnerWindow() = default;
    virtual uint64_t NativeHandle() const = 0;
    // From now on, call `onNewHandle` with the new handle each time the handle is made
    // anew, until RemoveHandleHook(key). One hook per key; adding again replaces it.
    virtual void AddHandleHook(const void* key, std::function<void(uint64_t)> onNewHandle) = 0;
    virtual void RemoveHandleHook(const void* key) = 0;
};

// The device's option set: bits 0, 1, 2.
using TDXSoundOptions = uint32_t;
inline constexpr TDXSoundOptions soGlobalFocus = 1u << 0;
inline constexpr TDXSoundOptions soStickyFocus = 1u << 1;
inline constexpr TDXSoundOptions soExclusive = 1u << 2;

// Cooperative levels handed to the mixer.
inline constexpr uint32_t kCooperativeNormal = 1;
inline constexpr uint32_t kCooperativeExclusive = 3;

enum class TDXSoundNotifyType {
    dsntDestroying,
    dsntInitializing,
    dsntInitialize,
    dsntFinalize,
    dsntRestore
};

class TWaveCollection;
class TCustomDXSound;
class TCustomDXWaveList;

// --- TWaveCollectionItem ---------------------------------------------------------------

// One named sound of a bank. While bound to an open device (Initialized) it holds its
// own mixer buffer `Buffer`, filled with the wave's samples, and the one-shot copies
// that duplicate it. Play, Stop and the setters do nothing audible while unbound.
class TWaveCollectionItem : public container::THashCollectionItem, public container::Persistent {
public:
    explicit TWaveCollectionItem(TWaveCollection& bank);
    ~TWaveCollectionItem() override; // releases its buffers
    TWaveCollectionItem(const TWaveCollectionItem&) = delete;
    TWaveCollectionItem& operator=(const TWaveCollectionItem&) = delete;

    TWaveCollection& Bank() const;

    // --- playing -----------------------------------------------------------------------
    // Starts the sound. A looped item restarts on its own buffer and returns at once.
    // A one-shot item plays on a copy, chosen as MaxPlayingCount allows; with `wait` it
    // returns when that copy has ended, sleeping 10 ms between tests on the device's
    // clock. Throws EDirectSoundBufferError("IDirectSoundBuffer not made") for a looped
    // item without samples while bound, and "Sound Buffer cannot be made" when a buffer
    // cannot be built or duplicated.
    void Play(bool wait);
    // Stops the buffer and every copy. Throws "IDirectSoundBuffer not made" while bound
    // without samples.
    void Stop();

    // --- settings (kept in memory only; 0 after every load) ------------------------------
    // Each setter stores the value and, while bound, applies it to the buffer at once
    // (so a sounding loop follows); copies get the values when they are next started.
    // While bound without samples, they throw "IDirectSoundBuffer not made" after storing.
    int32_t Frequency() const { return frequency_; }
    void SetFrequency(int32_t hz);
    int32_t Pan() const { return pan_; }
    void SetPan(int32_t pan);
    int32_t Volume() const { return volume_; }
    void SetVolume(int32_t volume);

    // --- stored properties ---------------------------------------------------------------
    bool Looped() const { return looped_; }
    // A change stops the item first.
    void SetLooped(bool looped);
    int32_t MaxPlayingCount() const { return maxPlayingCount_; }
    // A negative value becomes 0. A change frees every copy while bound.
    void SetMaxPlayingCount(int32_t count);
    const TWave& Wave() const { return wave_; }
    TWave& Wave() { return wave_; }

    // --- binding -------------------------------------------------------------------------
    bool Initialized() const { return initialized_; }
    // The item's buffer wrapper, nullptr before it is built.
    TDirectSoundBuffer* Buffer() const { return buffer_.get(); }
    // Whether any playing of the item still sounds (a one-shot's copies, a loop's buffer).
    bool Sounding();
    size_t CopyCount() const { return copies_.size(); }
    TDirectSoundBuffer& Copy(size_t index) const { return *copies_.at(index); }
    // Binding: release, then Initialized := the bank's device is open.
    void Initialize();
    // Releasing: frees every copy and the buffer, and unbinds.
    void Finalize();
    // Building: makes the buffer anew from the wave and applies the settings. Does
    // nothing without samples or without an open device. Throws EDirectSoundBufferError
    // "Sound Buffer cannot be made" / "Sound Buffer cannot be locked".
    void Restore();

    // --- reading (container::Persistent) -------------------------------------------------
    std::string ReaderName() const override { return "TWaveCollectionItem"; }
    container::Persistent* ObjectProperty(std::string_view name) override;
    void ReadProperty(std::string_view name, container::ObjectReader& reader) override;

private:
    // The `Wave` sub-object of a stored item; its one property is `WAVE`.
    class WaveProperty : public container::Persistent {
    public:
        explicit WaveProperty(TWaveCollectionItem& item) : item_(item) {}
        std::string ReaderName() const override { return "TWave"; }
        container::Persistent* ObjectProperty(std::string_view name) override;
        void ReadProperty(std::string_view name, container::ObjectReader& reader) override;

    private:
        TWaveCollectionItem& item_;
    };

    // The buffer, built first when it is missing; throws "IDirectSoundBuffer not made"
    // when there still is none.
    TDirectSoundBuffer& NeedBuffer();
    void StopAll();
    // Drops copies whose mixer buffer a restore took away (they duplicated a lost buffer).
    void PruneCopies();
    // Rewinds `copy`, gives it the item's settings and starts it once. Stops early when
    // a restore met on the way takes the copy's mixer buffer away.
    void StartCopy(TDirectSoundBuffer& copy);
    SoundTrace* Trace() const;
    std::string_view TraceBank() const;

    TWaveCollection& bank_;
    WaveProperty waveProperty_{*this};
    TWave wave_;
    bool looped_ = false;
    int32_t maxPlayingCount_ = 0;
    int32_t frequency_ = 0;
    int32_t pan_ = 0;
    int32_t volume_ = 0;
    bool initialized_ = false;
    std::unique_ptr<TDirectSoundBuffer> buffer_;
    // Shared so that a Play waiting on a copy notices when the copy is freed meanwhile.
    std::vector<std::shared_ptr<TDirectSoundBuffer>> copies_;
};

// --- TWaveCollection -------------------------------------------------------------------

// A bank: named items in file order with a 256-chain name index, bound to a device
// while that device is open.
class TWaveCollection : public container::THashCollection {
public:
    explicit TWaveCollection(TCustomDXWaveList* owner = nullptr);
    ~TWaveCollection() override;

    TCustomDXWaveList* Owner() const { return owner_; }
    // The device the bank is bound to; nullptr while unbound.
    TCustomDXSound* DXSound() const { return dxsound_; }
    // Whether the bound device is open.
    bool DeviceOpen() const;

    // Item `index`; throws container::EListError outside the bank.
    TWaveCollectionItem& Items(int32_t index) const;
    // The item named `name`, letter case ignored, the later one among equal names.
    // Throws EWaveCollectionError("Wave '%s' not found").
    TWaveCollectionItem& Find(std::string_view name) const;
    // As Find, nullptr when there is none.
    TWaveCollectionItem* FindOrNull(std::string_view name) const;
    // A new item with the initial settings, at the end (unbound).
    TWaveCollectionItem& Add();
    // Frees every item with its buffers.
    void Clear();

    // Binding the bank: release every item, record `dxsound`, bind every item. The wave
    // list does this as its device opens; a caller binding a bank itself must release it
    // (Finalize) before that device is destroyed.
    void Initialize(TCustomDXSound& dxsound);
    // Releasing the bank: release every item, forget the device.
    void Finalize();
    // Building the bank: build every item in order (stops at the first failure).
    void Restore();

    // Reads a bank file; `path` is in the program's own form (backslashes separate
    // folders). Throws container::EFOpenError ("Cannot open file ...") with the bank
    // unchanged, or the reader's errors with the items read so far left in the bank,
    // unbound. On success with an open device every item is bound and built. The file is
    // read only as far as its content declares.
    void LoadFromFile(const std::string& path);
    void LoadFromStream(std::span<const uint8_t> data);
    void LoadFromStream(container::ByteReader& in);

private:
    // The root object of a bank file; its one property is `List`.
    class Component : public container::Persistent {
    public:
        explicit Component(TWaveCollection& bank) : bank_(bank) {}
        std::string ReaderName() const override { return "TWaveCollectionComponent"; }
        container::Persistent* ObjectProperty(std::string_view name) override;
        void ReadProperty(std::string_view name, container::ObjectReader& reader) override;

    private:
        TWaveCollection& bank_;
    };

    TCustomDXWaveList* owner_;
    TCustomDXSound* dxsound_ = nullptr;
};

// --- TCustomDXSound / TDXSound ---------------------------------------------------------

// The sound device of one window: opens the mixer for it, and tells the attached wave
// lists when it opens, closes and restores itself.
class TCustomDXSound {
public:
    using NotifyEvent = std::function<void(TCustomDXSound& sender, TDXSoundNotifyType type)>;
    using Event = std::function<void(TCustomDXSound& sender)>;

    explicit TCustomDXSound(SoundContext context, SoundOwnerWindow* owner = nullptr);
    // Finalize, then the destroyed notice: attached wave lists let go of the device.
    virtual ~TCustomDXSound();
    TCustomDXSound(const TCustomDXSound&) = delete;
    TCustomDXSound& operator=(const TCustomDXSound&) = delete;

    bool AutoInitialize() const { return autoInitialize_; }
    void SetAutoInitialize(bool value) { autoInitialize_ = value; }
    TDXSoundOptions Options() const { return options_; }
    void SetOptions(TDXSoundOptions options) { options_ = options; }
    SoundOwnerWindow* Owner() const { return owner_; }

    // The window has finished loading: with AutoInitialize, Initialize. An
    // EDirectSoundError (no mixer device) is swallowed and leaves the device closed;
    // every other failure is passed on.
    void Loaded();
    // Opens the device. Throws EDXSoundError("Form not found") without an owner window,
    // vl::Error("DSound.dll not loaded") without a backend, EDirectSoundError
    // ("DirectSound cannot be initialized") without a mixer device, EDXSoundError
    // ("Primary Buffer cannot be made"); after any of them the device is closed.
    void Initialize();
    // Closes the device: attached banks release their items, buffers are freed.
    void Finalize();
    // While open: every attached bank builds its items anew.
    void Restore();
    bool Initialized() const { return initialized_; }

    // The mixer device and primary buffer, nullptr while closed.
    TDirectSound* DSound() const { return dsound_.get(); }
    TDirectSoundBuffer* Primary() const { return primary_.get(); }
    // What Play(wait) sleeps on.
    platform::IClock& Clock() { return context_.clock ? *context_.clock : ownClock_; }

    // Listeners: one entry per wave list; notices go from the last attached to the first.
    void RegisterNotifyEvent(TCustomDXWaveList* list, NotifyEvent event);
    void UnRegisterNotifyEvent(TCustomDXWaveList* list);
    size_t ListenerCount() const { return listeners_.size(); }

    Event OnInitializing;
    Event OnInitialize;
    Event OnFinalize;
    Event OnRestore;

private:
    // The mixer device of an open TCustomDXSound: a lost buffer restores the device.
    class TDXSoundDirectSound : public TDirectSound {
    public:
        TDXSoundDirectSound(TCustomDXSound& owner, platform::AudioBackend& backend)
            : TDirectSound(backend), owner_(owner) {}

    protected:
        void BufferLost() override { owner_.BufferLost(); }

    private:
        TCustomDXSound& owner_;
    };

    void BufferLost();
    void NotifyEventList(TDXSoundNotifyType type);
    void SetCooperativeLevel(uint64_t handle);

    SoundContext context_;
    SoundOwnerWindow* owner_;
    SoundOwnerWindow* hookedWindow_ = nullptr;
    platform::RealClock ownClock_;
    bool autoInitialize_ = true;
    TDXSoundOptions options_ = 0;
    bool calledDoInitialize_ = false; // opening begun
    bool initialized_ = false;
    bool initializeEventFired_ = false;
    bool restoring_ = false; // a lost-buffer restore is running
    std::unique_ptr<TDirectSound> dsound_;
    std::unique_ptr<TDirectSoundBuffer> primary_;
    std::vector<std::pair<NotifyEvent, TCustomDXWaveList*>> listeners_;
};

class TDXSound : public TCustomDXSound {
public:
    using TCustomDXSound::TCustomDXSound;
};

// --- TCustomDXWaveList / TDXWaveList ---------------------------------------------------

// A bank attached to a device: it binds, builds and releases the bank as the device
// opens, restores and closes. `Name` and the trace identify its calls to an observer.
class TCustomDXWaveList {
public:
    explicit TCustomDXWaveList(std::string name = {});
    // Detaches (releasing the bank if the device is open), then frees the bank.
    virtual ~TCustomDXWaveList();
    TCustomDXWaveList(const TCustomDXWaveList&) = delete;
    TCustomDXWaveList& operator=(const TCustomDXWaveList&) = delete;

    TCustomDXSound* DXSound() const { return dxsound_; }
    // Attaches to `dxsound` (nullptr detaches). Leaving an open device releases the
    // bank; joining an open device binds and builds it at once, which may throw the
    // building errors of TWaveCollectionItem::Restore (the list stays attached).
    void SetDXSound(TCustomDXSound* dxsound);
    TWaveCollection& Items() { return *items_; }
    const TWaveCollection& Items() const { return *items_; }

    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    // The observer of every Play, Stop and setter call on the bank's items; nullptr for
    // none. It must outlive the wave list or be cleared first.
    SoundTrace* Trace() const { return trace_; }
    void SetTrace(SoundTrace* trace) { trace_ = trace; }

    // Which of the listener's volumes an item sounds at, by its name and looping; without
    // it a loop is continuous and any other item an effect.
    std::function<platform::MixBus(std::string_view name, bool looped)> BusOf;
    platform::MixBus Bus(std::string_view name, bool looped) const {
        if (BusOf) return BusOf(name, looped);
        return looped ? platform::MixBus::Continuous : platform::MixBus::Effects;
    }

private:
    void DXSoundNotify(TCustomDXSound& sender, TDXSoundNotifyType type);

    std::string name_;
    SoundTrace* trace_ = nullptr;
    TCustomDXSound* dxsound_ = nullptr;
    std::unique_ptr<TWaveCollection> items_;
};

class TDXWaveList : public TCustomDXWaveList {
public:
    using TCustomDXWaveList::TCustomDXWaveList;
};

} // namespace vl::sound
