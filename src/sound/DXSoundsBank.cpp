// SPDX-License-Identifier: GPL-3.0-or-later
// DXSoundsBank: the bank and its items — playing rules, settings, binding and building,
// and reading a bank file.
//
// Index:
//   - TWaveCollectionItem: play, stop, settings
//   - TWaveCollectionItem: binding, building
//   - TWaveCollectionItem: reading
//   - TWaveCollection
#include <algorithm>
#include <cstring>
#include <limits>

#include "sound/DXSounds.h"

#include "container/InputFile.h"

namespace vl::sound {

namespace {
constexpr uint32_t kWaitStepMs = 10; // Play(wait) tests the copy this often
}

// --- TWaveCollectionItem: play, stop, settings -----------------------------------------

TWaveCollectionItem::TWaveCollectionItem(TWaveCollection& bank)
    : THashCollectionItem(bank), bank_(bank) {}

TWaveCollectionItem::~TWaveCollectionItem() {
    Finalize();
}

TWaveCollection& TWaveCollectionItem::Bank() const {
    return bank_;
}

SoundTrace* TWaveCollectionItem::Trace() const {
    return bank_.Owner() ? bank_.Owner()->Trace() : nullptr;
}

std::string_view TWaveCollectionItem::TraceBank() const {
    return bank_.Owner() ? std::string_view(bank_.Owner()->Name()) : std::string_view();
}

TDirectSoundBuffer& TWaveCollectionItem::NeedBuffer() {
    if (!buffer_ || !buffer_->Made()) Restore();
    if (!buffer_) throw EDirectSoundBufferError(Format(kNotMade, {kIDirectSoundBufferName}));
    return *buffer_;
}

void TWaveCollectionItem::Play(bool wait) {
    if (SoundTrace* t = Trace()) {
        t->OnPlay(TraceBank(), Name(), wait, looped_, frequency_, pan_, volume_);
    }
    if (!initialized_) return;

    if (looped_) {
        // A loop always sounds on the item's own buffer, restarted from its first sample.
        TDirectSoundBuffer& b = NeedBuffer();
        b.Stop();
        b.SetCurrentPosition(0);
        if (bank_.Owner()) b.SetBus(bank_.Owner()->Bus(Name(), true));
        b.Play(true);
        return;
    }

    PruneCopies();
    std::shared_ptr<TDirectSoundBuffer> chosen;
    // A finished copy is reused where it stands in the list.
    for (size_t i = 0; i < copies_.size(); ++i) {
        std::shared_ptr<TDirectSoundBuffer> c = copies_[i];
        if (c->Made() && !c->Playing()) {
            chosen = std::move(c);
            break;
        }
    }
    if (!chosen) {
        const size_t limit = static_cast<size_t>(maxPlayingCount_);
        if (maxPlayingCount_ == 0 || copies_.size() < limit) {
            if (!buffer_ || !buffer_->Made()) Restore();
            if (!buffer_ || !buffer_->Made()) return; // no samples: nothing to sound
            auto copy = std::make_shared<TDirectSoundBuffer>(*buffer_->DSound());
            if (!copy->Duplicate(*buffer_)) {
                // A lost buffer has restored the device already; this play stays silent.
                if (copy->ErrorCode() == platform::kMixErrBufferLost) return;
                throw EDirectSoundBufferError(Format(kCannotMade, {kSoundBufferName}));
            }
            copies_.push_back(copy);
            chosen = std::move(copy);
        } else {
            // All copies sound and no more are allowed: the first is cut off and goes
            // to the end of the list.
            chosen = copies_.front();
            std::rotate(copies_.begin(), copies_.begin() + 1, copies_.end());
        }
    }
    if (!chosen->Made()) return; // a restore met while choosing took it away
    StartCopy(*chosen);
    if (!wait) return;

    // Waiting holds only the copy and the clock, so that nothing dangles when the copy
    // is freed by whatever runs while the clock advances.
    platform::IClock& clock = bank_.DXSound()->Clock();
    const std::weak_ptr<TDirectSoundBuffer> watched = chosen;
    chosen.reset();
    for (;;) {
        const std::shared_ptr<TDirectSoundBuffer> c = watched.lock();
        if (!c || !c->Made() || !c->Playing()) return;
        clock.SleepMs(kWaitStepMs);
    }
}

void TWaveCollectionItem::StartCopy(TDirectSoundBuffer& copy) {
    copy.Stop();
    if (!copy.Made()) return;
    copy.SetCurrentPosition(0);
    if (!copy.Made()) return;
    copy.SetFrequency(frequency_);
    if (!copy.Made()) return;
    copy.SetPan(pan_);
    if (!copy.Made()) return;
    copy.SetVolume(volume_);
    if (!copy.Made()) return;
    if (bank_.Owner()) copy.SetBus(bank_.Owner()->Bus(Name(), false));
    if (!copy.Made()) return;
    copy.Play(false);
}

void TWaveCollectionItem::PruneCopies() {
    copies_.erase(
        std::remove_if(copies_.begin(), copies_.end(), [](const auto& c) { return !c->Made(); }),
        copies_.end());
}

bool TWaveCollectionItem::Sounding() {
    if (!initialized_) return false;
    if (buffer_ && buffer_->Made() && buffer_->Playing()) return true;
    return std::any_of(copies_.begin(), copies_.end(),
                       [](const auto& c) { return c->Made() && c->Playing(); });
}

void TWaveCollectionItem::Stop() {
    if (SoundTrace* t = Trace()) t->OnStop(TraceBank(), Name());
    StopAll();
}

void TWaveCollectionItem::StopAll() {
    if (!initialized_) return;
    NeedBuffer().Stop();
    // By index: a restore met on the way may take mixer buffers away, never entries.
    for (size_t i = 0; i < copies_.size(); ++i) {
        if (copies_[i]->Made()) copies_[i]->Stop();
    }
}

void TWaveCollectionItem::SetFrequency(int32_t hz) {
    frequency_ = hz;
    if (SoundTrace* t = Trace()) t->OnSet(TraceBank(), Name(), "freq", hz);
    if (initialized_) NeedBuffer().SetFrequency(hz);
}

void TWaveCollectionItem::SetPan(int32_t pan) {
    pan_ = pan;
    if (SoundTrace* t = Trace()) t->OnSet(TraceBank(), Name(), "pan", pan);
    if (initialized_) NeedBuffer().SetPan(pan);
}

void TWaveCollectionItem::SetVolume(int32_t volume) {
    volume_ = volume;
    if (SoundTrace* t = Trace()) t->OnSet(TraceBank(), Name(), "vol", volume);
    if (initialized_) NeedBuffer().SetVolume(volume);
}

void TWaveCollectionItem::SetLooped(bool looped) {
    if (looped == looped_) return;
    StopAll();
    looped_ = looped;
}

void TWaveCollectionItem::SetMaxPlayingCount(int32_t count) {
    count = std::max(count, 0);
    if (count == maxPlayingCount_) return;
    maxPlayingCount_ = count;
    if (initialized_) copies_.clear();
}

// --- TWaveCollectionItem: binding, building --------------------------------------------

void TWaveCollectionItem::Finalize() {
    if (!initialized_) return;
    initialized_ = false;
    copies_.clear();
    buffer_.reset();
}

void TWaveCollectionItem::Initialize() {
    Finalize();
    initialized_ = bank_.DeviceOpen();
}

void TWaveCollectionItem::Restore() {
    if (wave_.Data.empty()) return;
    if (!initialized_ && bank_.DeviceOpen()) Initialize();
    // Bound to a device that has closed without telling the bank: nothing to build on.
    if (!initialized_ || !bank_.DeviceOpen()) return;

    TDirectSound* dsound = bank_.DXSound()->DSound();
    if (!buffer_) buffer_ = std::make_unique<TDirectSoundBuffer>(*dsound);
    if (wave_.Data.size() > std::numeric_limits<uint32_t>::max() ||
        !buffer_->CreateBuffer(wave_.Format, static_cast<uint32_t>(wave_.Data.size()))) {
        throw EDirectSoundBufferError(Format(kCannotMade, {kSoundBufferName}));
    }
    const auto size = static_cast<uint32_t>(wave_.Data.size());
    uint8_t* p1 = nullptr;
    uint8_t* p2 = nullptr;
    uint32_t n1 = 0;
    uint32_t n2 = 0;
    if (!buffer_->Lock(0, size, &p1, &n1, &p2, &n2) || (n1 > 0 && !p1)) {
        buffer_->Release();
        throw EDirectSoundBufferError(Format(kCannotLock, {kSoundBufferName}));
    }
    // The mixer may hand the buffer back as two regions; never write past either.
    const uint32_t first = std::min(n1, size);
    if (first > 0) std::memcpy(p1, wave_.Data.data(), first);
    const uint32_t second = std::min(n2, size - first);
    if (second > 0 && p2) std::memcpy(p2, wave_.Data.data() + first, second);
    buffer_->Unlock();

    // The copies duplicated the old buffer. Those the mixer reports lost can never sound
    // again; they lose their mixer buffer here and leave the list at the next Play. The
    // check goes to the mixer directly so that it cannot start another restore.
    for (const auto& c : copies_) {
        uint32_t status = 0;
        if (c->IDSBuffer() && c->IDSBuffer()->GetStatus(&status) == platform::kMixErrBufferLost) {
            c->Release();
        }
    }

    if (!buffer_->Made()) return;
    buffer_->SetFrequency(frequency_);
    if (!buffer_->Made()) return;
    buffer_->SetPan(pan_);
    if (!buffer_->Made()) return;
    buffer_->SetVolume(volume_);
}

// --- TWaveCollectionItem: reading ------------------------------------------------------

container::Persistent* TWaveCollectionItem::ObjectProperty(std::string_view name) {
    if (container::SameName(name, "Wave")) return &waveProperty_;
    if (container::SameName(name, "Name") || container::SameName(name, "Looped") ||
        container::SameName(name, "MaxPlayingCount")) {
        return nullptr;
    }
    throw container::EReadError(Format(container::kPropertyDoesNotExist, {name}));
}

void TWaveCollectionItem::ReadProperty(std::string_view name, container::ObjectReader& reader) {
    if (container::SameName(name, "Name")) {
        SetName(reader.ReadString());
    } else if (container::SameName(name, "Looped")) {
        SetLooped(reader.ReadBoolean());
    } else if (container::SameName(name, "MaxPlayingCount")) {
        SetMaxPlayingCount(reader.ReadInteger());
    } else if (container::SameName(name, "Wave")) {
        // An object property cannot take a value of its own.
        throw container::EReadError(std::string(container::kInvalidPropertyValue));
    } else {
        throw container::EReadError(Format(container::kPropertyDoesNotExist, {name}));
    }
}

container::Persistent* TWaveCollectionItem::WaveProperty::ObjectProperty(std::string_view name) {
    if (container::SameName(name, "WAVE")) return nullptr;
    throw container::EReadError(Format(container::kPropertyDoesNotExist, {name}));
}

void TWaveCollectionItem::WaveProperty::ReadProperty(std::string_view name,
                                                     container::ObjectReader& reader) {
    if (!container::SameName(name, "WAVE")) {
        throw container::EReadError(Format(container::kPropertyDoesNotExist, {name}));
    }
    const std::span<const uint8_t> block = reader.ReadBinarySpan();
    container::ByteReader in(block);
    item_.wave_.LoadFromStream(in);
}

// --- TWaveCollection -------------------------------------------------------------------

TWaveCollection::TWaveCollection(TCustomDXWaveList* owner) : owner_(owner) {}

TWaveCollection::~TWaveCollection() {
    Clear();
}

bool TWaveCollection::DeviceOpen() const {
    return dxsound_ && dxsound_->Initialized();
}

TWaveCollectionItem& TWaveCollection::Items(int32_t index) const {
    return static_cast<TWaveCollectionItem&>(ItemAt(index));
}

TWaveCollectionItem* TWaveCollection::FindOrNull(std::string_view name) const {
    return static_cast<TWaveCollectionItem*>(FindItem(name));
}

TWaveCollectionItem& TWaveCollection::Find(std::string_view name) const {
    TWaveCollectionItem* item = FindOrNull(name);
    if (!item) throw EWaveCollectionError(Format(kWaveNotFound, {name}));
    return *item;
}

TWaveCollectionItem& TWaveCollection::Add() {
    return static_cast<TWaveCollectionItem&>(AddItem(std::make_unique<TWaveCollectionItem>(*this)));
}

void TWaveCollection::Clear() {
    ClearItems();
}

void TWaveCollection::Initialize(TCustomDXSound& dxsound) {
    for (int32_t i = 0; i < Count(); ++i) Items(i).Finalize();
    dxsound_ = &dxsound;
    for (int32_t i = 0; i < Count(); ++i) Items(i).Initialize();
}

void TWaveCollection::Finalize() {
    for (int32_t i = 0; i < Count(); ++i) Items(i).Finalize();
    dxsound_ = nullptr;
}

void TWaveCollection::Restore() {
    for (int32_t i = 0; i < Count(); ++i) Items(i).Restore();
}

void TWaveCollection::LoadFromFile(const std::string& path) {
    // Open first: a file that cannot be opened leaves the bank as it was.
    container::InputFile file(container::ProgramDataPath(path));
    container::ByteReader in(file);
    LoadFromStream(in);
}

void TWaveCollection::LoadFromStream(std::span<const uint8_t> data) {
    container::ByteReader in(data);
    LoadFromStream(in);
}

void TWaveCollection::LoadFromStream(container::ByteReader& in) {
    Clear();
    Component root(*this);
    container::ObjectReader reader(in);
    reader.ReadResourceHeader();
    reader.ReadRootObject(root);
    // Only a bank read in full reaches the mixer; a failure above leaves it unbound.
    if (DeviceOpen()) {
        for (int32_t i = 0; i < Count(); ++i) Items(i).Initialize();
        Restore();
    }
}

container::Persistent* TWaveCollection::Component::ObjectProperty(std::string_view name) {
    if (container::SameName(name, "List")) return nullptr;
    throw container::EReadError(Format(container::kPropertyDoesNotExist, {name}));
}

void TWaveCollection::Component::ReadProperty(std::string_view name,
                                              container::ObjectReader& reader) {
    if (!container::SameName(name, "List")) {
        throw container::EReadError(Format(container::kPropertyDoesNotExist, {name}));
    }
    reader.ReadCollection([this] { bank_.Clear(); },
                          [this]() -> container::Persistent& { return bank_.Add(); });
}

} // namespace vl::sound
