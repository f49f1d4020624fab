// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: bank file bytes into TWaveCollection::LoadFromStream, read once with no
// device and once with an offline mixer device open, so that binding and building run.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/Clock.h"
#include "platform/Mixer.h"
#include "sound/DXSounds.h"

namespace {

class Window : public vl::sound::SoundOwnerWindow {
public:
    uint64_t NativeHandle() const override { return 1; }
    void AddHandleHook(const void*, std::function<void(uint64_t)>) override {}
    void RemoveHandleHook(const void*) override {}
};

// Plays every item once and pokes its settings, as the game would after loading.
void Exercise(vl::sound::TWaveCollection& bank) {
    for (int32_t i = 0; i < bank.Count(); ++i) {
        vl::sound::TWaveCollectionItem& item = bank.Items(i);
        try {
            bank.Find(item.Name());
            item.SetPan(-10000);
            item.Play(false);
            item.Play(false);
            item.SetFrequency(22050);
            item.Stop();
        } catch (const vl::Error&) {
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    {
        vl::sound::TWaveCollection bank;
        try {
            bank.LoadFromStream(bytes);
        } catch (const vl::Error&) {
        }
        Exercise(bank);
    }
    {
        vl::platform::VirtualClock clock;
        vl::platform::OfflineAudioBackend backend(8000);
        Window window;
        vl::sound::TDXSound device(vl::sound::SoundContext{&backend, &clock}, &window);
        vl::sound::TDXWaveList list("fuzz");
        list.SetDXSound(&device);
        device.Loaded();
        try {
            list.Items().LoadFromStream(bytes);
        } catch (const vl::Error&) {
        }
        Exercise(list.Items());
        // Render what the plays left sounding (voices at any rate, cut-off fades).
        for (int32_t i = 0; i < list.Items().Count(); ++i) {
            try {
                list.Items().Items(i).Play(false);
            } catch (const vl::Error&) {
            }
        }
        (void)backend.RenderFrames(256);
    }
    return 0;
}
