// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the sound device: opening and its failures, the listeners and their order,
// attaching wave lists, the owner window's hook, and the lost-buffer restore.
#include <gtest/gtest.h>

#include "sound_fixture.h"

namespace vl::sound::testing {
namespace {

TEST(SoundDevice, OpeningFailsWithTheFixedMessagesAndLeavesTheDeviceClosed) {
    platform::OfflineAudioBackend backend;
    FakeWindow window;

    TDXSound orphan(SoundContext{&backend, nullptr}, nullptr);
    EXPECT_EQ(MessageOf([&] { orphan.Initialize(); }), "Form not found");
    EXPECT_THROW(orphan.Loaded(), EDXSoundError); // not swallowed
    EXPECT_FALSE(orphan.Initialized());

    // No sound library at all: a plain error, which window creation does not swallow.
    TDXSound noLibrary(SoundContext{nullptr, nullptr}, &window);
    EXPECT_EQ(MessageOf([&] { noLibrary.Loaded(); }), "DSound.dll not loaded");
    try {
        noLibrary.Initialize();
    } catch (const EDirectXError&) {
        ADD_FAILURE() << "a missing library is no mixer error";
    } catch (const Error&) {
    }
    EXPECT_FALSE(noLibrary.Initialized());
    EXPECT_TRUE(window.hooks.empty());

    TDXSound manual(SoundContext{&backend, nullptr}, &window);
    manual.SetAutoInitialize(false);
    manual.Loaded();
    EXPECT_FALSE(manual.Initialized());
    manual.Initialize();
    EXPECT_TRUE(manual.Initialized());
    EXPECT_NE(manual.Primary(), nullptr);
    EXPECT_TRUE(manual.Primary()->Made());
}

TEST(SoundDevice, ListenersHearTheLifecycleFromTheLastAttachedToTheFirst) {
    platform::OfflineAudioBackend backend;
    FakeWindow window;
    auto device = std::make_unique<TDXSound>(SoundContext{&backend, nullptr}, &window);
    std::vector<std::string> events;
    device->OnInitializing = [&](TCustomDXSound&) { events.push_back("OnInitializing"); };
    device->OnInitialize = [&](TCustomDXSound&) { events.push_back("OnInitialize"); };
    device->OnRestore = [&](TCustomDXSound&) { events.push_back("OnRestore"); };
    device->OnFinalize = [&](TCustomDXSound&) { events.push_back("OnFinalize"); };
    TDXWaveList first("first");
    TDXWaveList second("second");
    first.Items().LoadFromStream(BankFile({{"a", WaveMs(10)}}));
    second.Items().LoadFromStream(BankFile({{"b", WaveMs(10)}}));

    // Attached between the two lists, a listener is told after `second` and before
    // `first`, and records what each bank holds at that moment.
    first.SetDXSound(device.get());
    const char* names[] = {"destroying", "initializing", "initialize", "finalize", "restore"};
    device->RegisterNotifyEvent(nullptr, [&](TCustomDXSound&, TDXSoundNotifyType t) {
        const TWaveCollectionItem& a = first.Items().Items(0);
        const TWaveCollectionItem& b = second.Items().Items(0);
        events.push_back(std::string(names[static_cast<int>(t)]) + " " +
                         std::to_string(a.Initialized()) + std::to_string(b.Initialized()) +
                         std::to_string(a.Buffer() != nullptr) +
                         std::to_string(b.Buffer() != nullptr));
    });
    second.SetDXSound(device.get());

    device->Loaded();
    EXPECT_EQ(events,
              (std::vector<std::string>{"initializing 0000", "OnInitializing", "initialize 0100",
                                        "OnInitialize", "restore 1101", "OnRestore"}));
    EXPECT_TRUE(first.Items().Find("a").Buffer()->Made());
    EXPECT_TRUE(second.Items().Find("b").Buffer()->Made());
    EXPECT_EQ(window.hooks.size(), 1u);

    events.clear();
    device->Finalize();
    EXPECT_EQ(events, (std::vector<std::string>{"OnFinalize", "finalize 1010"}));
    EXPECT_FALSE(first.Items().Find("a").Initialized());
    EXPECT_EQ(first.Items().Find("a").Buffer(), nullptr);
    EXPECT_EQ(first.Items().DXSound(), nullptr);
    EXPECT_TRUE(window.hooks.empty());
    device->Finalize(); // closed: nothing more happens
    EXPECT_EQ(events.size(), 2u);

    // Destroying the device detaches every wave list.
    device->UnRegisterNotifyEvent(nullptr);
    device.reset();
    EXPECT_EQ(first.DXSound(), nullptr);
    EXPECT_EQ(second.DXSound(), nullptr);
}

TEST(SoundDevice, AttachingToAnOpenDeviceBindsAndBuildsAtOnceAndLeavingReleases) {
    SoundRig rig;
    TDXWaveList late("late");
    late.Items().LoadFromStream(BankFile({{"x", WaveMs(10)}}));
    EXPECT_FALSE(late.Items().Find("x").Initialized());
    late.SetDXSound(rig.device.get());
    EXPECT_TRUE(late.Items().Find("x").Buffer()->Made());
    EXPECT_EQ(rig.device->ListenerCount(), 2u);

    TDXSound other(SoundContext{&rig.backend, &rig.clock}, &rig.window);
    late.SetDXSound(&other); // closed device: released and unbound
    EXPECT_FALSE(late.Items().Find("x").Initialized());
    EXPECT_EQ(rig.device->ListenerCount(), 1u);
    EXPECT_EQ(other.ListenerCount(), 1u);
    other.Initialize();
    EXPECT_TRUE(late.Items().Find("x").Buffer()->Made());
    late.SetDXSound(nullptr);
    EXPECT_FALSE(late.Items().Find("x").Initialized());
    EXPECT_EQ(other.ListenerCount(), 0u);
}

TEST(SoundDevice, ANewWindowHandleGetsTheCooperativeLevelAgain) {
    SoundRig rig;
    ASSERT_EQ(rig.window.hooks.size(), 1u);
    rig.window.RecreateHandle();
    EXPECT_EQ(rig.device->DSound()->ErrorCode(), platform::kMixOk);
    rig.device->SetOptions(soExclusive);
    rig.device->Initialize(); // opens anew with the exclusive level
    EXPECT_TRUE(rig.device->Initialized());
    EXPECT_EQ(rig.window.hooks.size(), 1u);
}

TEST(SoundDevice, ALostBufferRestoresEveryBankOnceAndTheSettingsComeBack) {
    SoundRig rig;
    rig.Load({{"navig1", WaveMs(100), true}, {"gun", WaveMs(100)}});
    int restores = 0;
    rig.device->OnRestore = [&](TCustomDXSound&) { ++restores; };
    TWaveCollectionItem& loop = rig.bank().Find("navig1");
    TWaveCollectionItem& gun = rig.bank().Find("gun");
    loop.SetFrequency(24000);
    loop.SetPan(-10000);
    gun.SetPan(10000);
    gun.Play(false);
    loop.Play(false);

    rig.device->DSound()->IDSound().SimulateBufferLoss();
    loop.Play(false); // its Stop meets the loss: one restore, then the play goes on
    EXPECT_EQ(restores, 1);
    EXPECT_EQ(loop.Buffer()->ErrorCode(), platform::kMixOk);
    uint32_t status = 0; // a buffer made anew answers; the lost one would not
    ASSERT_EQ(loop.Buffer()->IDSBuffer()->GetStatus(&status), platform::kMixOk);
    EXPECT_EQ(loop.Buffer()->IDSBuffer()->Frequency(), 24000u);
    EXPECT_EQ(loop.Buffer()->IDSBuffer()->Pan(), -10000);
    EXPECT_TRUE(Sounding(*loop.Buffer()));
    EXPECT_TRUE(gun.Buffer()->Made());
    EXPECT_EQ(gun.Buffer()->IDSBuffer()->Pan(), 10000);

    // The gun's old copy duplicated a lost buffer: the next play uses a fresh one.
    gun.Play(false);
    EXPECT_EQ(restores, 1);
    ASSERT_EQ(gun.CopyCount(), 1u);
    EXPECT_TRUE(Sounding(gun.Copy(0)));
    const std::vector<float> out = rig.Render(50);
    EXPECT_GT(Peak(out, 0), 0.2f); // the loop, fully left
    EXPECT_GT(Peak(out, 1), 0.2f); // the gun, fully right

    // A loss met first by a copy: that play stays silent, the next one sounds.
    rig.device->DSound()->IDSound().SimulateBufferLoss();
    gun.Play(false);
    EXPECT_EQ(restores, 2);
    gun.Play(false);
    ASSERT_EQ(gun.CopyCount(), 1u);
    EXPECT_TRUE(Sounding(gun.Copy(0)));
    EXPECT_EQ(restores, 2);
}

TEST(SoundDevice, ALostOutputDeviceTouchesNoItemAndAWaitEndsWithItsSound) {
    SoundRig rig;
    rig.Load({{"navig1", WaveMs(100), true}, {"number", WaveMs(230)}});
    int restores = 0;
    rig.device->OnRestore = [&](TCustomDXSound&) { ++restores; };
    TWaveCollectionItem& loop = rig.bank().Find("navig1");
    TWaveCollectionItem& number = rig.bank().Find("number");
    loop.SetPan(-10000);
    loop.Play(false);

    rig.backend.SimulateOutputLoss();
    const uint64_t start = rig.clock.ElapsedMs();
    number.Play(true);
    const uint64_t waited = rig.clock.ElapsedMs() - start;
    EXPECT_GE(waited, 230u);
    EXPECT_LE(waited, 240u); // the wait's own 10 ms step, as with a device
    rig.backend.SimulateOutputReturn();
    rig.Advance(1000);

    // The device came back: the loop sounds on, on its own buffer, left only; nothing
    // was restored and no call met an error.
    EXPECT_TRUE(rig.backend.OutputRunning());
    EXPECT_EQ(restores, 0);
    EXPECT_EQ(loop.Buffer()->ErrorCode(), platform::kMixOk);
    EXPECT_TRUE(Sounding(*loop.Buffer()));
    ASSERT_EQ(number.CopyCount(), 1u);
    EXPECT_FALSE(Sounding(number.Copy(0)));
    const std::vector<float> out = rig.Render(50);
    EXPECT_GT(Peak(out, 0), 0.2f);
    EXPECT_EQ(Peak(out, 1), 0.0f);
}

} // namespace
} // namespace vl::sound::testing
