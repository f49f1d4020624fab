// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the playing rules: copies and their reuse, loops, settings reaching playings,
// waiting on the virtual clock, items without samples, and the silent closed device.
#include <gtest/gtest.h>

#include "sound_fixture.h"

namespace vl::sound::testing {
namespace {

uint32_t PositionOf(const TDirectSoundBuffer& b) {
    uint32_t pos = 0;
    EXPECT_EQ(b.IDSBuffer()->GetCurrentPosition(&pos), platform::kMixOk);
    return pos;
}

// Sign changes of one channel: twice the pitch of a sine over the stretch.
int ZeroCrossings(const std::vector<float>& lr, int channel) {
    int n = 0;
    for (size_t i = static_cast<size_t>(channel) + 2; i < lr.size(); i += 2) {
        if ((lr[i - 2] < 0.0f) != (lr[i] < 0.0f)) ++n;
    }
    return n;
}

TEST(BankPlayback, OneShotCopiesFollowMaxPlayingCount) {
    SoundRig rig;
    rig.Load(
        {{"free", WaveMs(200)}, {"one", WaveMs(200), false, 1}, {"two", WaveMs(200), false, 2}});

    // No limit: three quick plays sound at once on three copies.
    TWaveCollectionItem& free = rig.bank().Find("free");
    for (int i = 0; i < 3; ++i) free.Play(false);
    ASSERT_EQ(free.CopyCount(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(Sounding(free.Copy(i)));

    // Limit 1: the second play cuts the first off and restarts it with the new settings.
    TWaveCollectionItem& one = rig.bank().Find("one");
    one.Play(false);
    rig.Render(50);
    TDirectSoundBuffer* only = &one.Copy(0);
    EXPECT_GT(PositionOf(*only), 0u);
    one.SetFrequency(24000);
    one.SetPan(-3000);
    EXPECT_EQ(only->IDSBuffer()->Frequency(), 48000u); // a sounding copy keeps its values
    one.Play(false);
    ASSERT_EQ(one.CopyCount(), 1u);
    EXPECT_EQ(&one.Copy(0), only);
    EXPECT_EQ(PositionOf(*only), 0u);
    EXPECT_EQ(only->IDSBuffer()->Frequency(), 24000u);
    EXPECT_EQ(only->IDSBuffer()->Pan(), -3000);
    EXPECT_TRUE(Sounding(*only));

    // Limit 2 with [A, B] both sounding: the third play restarts A, the list is [B, A].
    TWaveCollectionItem& two = rig.bank().Find("two");
    two.Play(false);
    rig.Render(20);
    two.Play(false);
    TDirectSoundBuffer* a = &two.Copy(0);
    TDirectSoundBuffer* b = &two.Copy(1);
    rig.Render(20);
    two.Play(false);
    ASSERT_EQ(two.CopyCount(), 2u);
    EXPECT_EQ(&two.Copy(0), b);
    EXPECT_EQ(&two.Copy(1), a);
    EXPECT_EQ(PositionOf(*a), 0u);
    EXPECT_GT(PositionOf(*b), 0u);
}

TEST(BankPlayback, AFinishedCopyIsReusedWhereItStands) {
    SoundRig rig;
    rig.Load({{"gun", WaveMs(100), false, 2}});
    TWaveCollectionItem& gun = rig.bank().Find("gun");
    gun.Play(false);
    rig.Render(60);
    gun.Play(false);
    TDirectSoundBuffer* a = &gun.Copy(0);
    TDirectSoundBuffer* b = &gun.Copy(1);
    rig.Render(60); // a has ended, b still sounds
    ASSERT_FALSE(Sounding(*a));
    ASSERT_TRUE(Sounding(*b));
    gun.Play(false);
    ASSERT_EQ(gun.CopyCount(), 2u);
    EXPECT_EQ(&gun.Copy(0), a);
    EXPECT_EQ(&gun.Copy(1), b);
    EXPECT_TRUE(Sounding(*a));
    // Now [A, B] both sound and A is the newer: the next play still takes A, the first.
    gun.Play(false);
    EXPECT_EQ(&gun.Copy(0), b);
    EXPECT_EQ(&gun.Copy(1), a);
    EXPECT_EQ(PositionOf(*a), 0u);
}

TEST(BankPlayback, MaxPlayingCountIsKeptNonNegativeAndAChangeFreesTheCopies) {
    SoundRig rig;
    rig.Load({{"fromfile", WaveMs(50), false, -1}, {"gun", WaveMs(50)}});
    EXPECT_EQ(rig.bank().Find("fromfile").MaxPlayingCount(), 0);
    TWaveCollectionItem& gun = rig.bank().Find("gun");
    gun.SetMaxPlayingCount(-5);
    EXPECT_EQ(gun.MaxPlayingCount(), 0);
    gun.Play(false);
    gun.Play(false);
    EXPECT_EQ(gun.CopyCount(), 2u);
    gun.SetMaxPlayingCount(0); // unchanged: copies stay
    EXPECT_EQ(gun.CopyCount(), 2u);
    gun.SetMaxPlayingCount(3);
    EXPECT_EQ(gun.CopyCount(), 0u);
    rig.Render(20); // the cut-off copies fade out
    EXPECT_EQ(Peak(rig.Render(20), 0), 0.0f);
}

TEST(BankPlayback, ALoopRestartsOnItsOwnBufferAndFollowsItsSettingsAtOnce) {
    SoundRig rig;
    rig.Load({{"navig1", WaveMs(100, 48000, 1000.0), true}});
    TWaveCollectionItem& loop = rig.bank().Find("navig1");
    loop.Play(false);
    TDirectSoundBuffer* buffer = loop.Buffer();
    ASSERT_NE(buffer, nullptr);
    rig.Render(30);
    EXPECT_GT(PositionOf(*buffer), 0u);

    const uint64_t before = rig.clock.ElapsedMs();
    loop.Play(true); // returns at once
    EXPECT_EQ(rig.clock.ElapsedMs(), before);
    EXPECT_EQ(loop.Buffer(), buffer);
    EXPECT_EQ(loop.CopyCount(), 0u);
    EXPECT_EQ(PositionOf(*buffer), 0u);
    uint32_t status = 0;
    buffer->IDSBuffer()->GetStatus(&status);
    EXPECT_EQ(status, platform::kMixStatusPlaying | platform::kMixStatusLooping);

    // A loop sounds past its length, and a new rate is heard at once.
    const int atOwnRate = ZeroCrossings(rig.Render(250), 0);
    EXPECT_NEAR(atOwnRate, 500, 10);
    loop.SetFrequency(24000);
    EXPECT_NEAR(ZeroCrossings(rig.Render(250), 0), 250, 10);
    loop.SetFrequency(0);
    EXPECT_EQ(buffer->IDSBuffer()->Frequency(), 48000u);

    // Looped := False stops the item first.
    loop.SetLooped(false);
    EXPECT_FALSE(Sounding(*buffer));
}

TEST(BankPlayback, PanReachesTheNextPlayNotTheSoundingOne) {
    SoundRig rig;
    rig.Load({{"hit", WaveMs(200)}});
    TWaveCollectionItem& hit = rig.bank().Find("hit");
    hit.Play(false);
    hit.SetPan(-10000);
    EXPECT_EQ(hit.Copy(0).IDSBuffer()->Pan(), 0);
    EXPECT_GT(Peak(rig.Render(50), 1), 0.2f); // still centred: heard on the right

    hit.Stop();
    rig.Render(20); // let the cut-off fade out
    hit.Play(false);
    const std::vector<float> out = rig.Render(100);
    EXPECT_GT(Peak(out, 0), 0.2f);
    EXPECT_EQ(Peak(out, 1), 0.0f);
}

TEST(BankPlayback, PlayWithWaitTakesTheSoundsLengthInTenMillisecondSteps) {
    SoundRig rig;
    rig.Load(
        {{"short", WaveMs(25)}, {"exact", WaveMs(100)}, {"tiny", WaveMs(1)}, {"slow", WaveMs(25)}});
    auto elapsed = [&](const char* name) {
        const uint64_t start = rig.clock.ElapsedMs();
        rig.bank().Find(name).Play(true);
        return rig.clock.ElapsedMs() - start;
    };
    EXPECT_EQ(elapsed("short"), 30u);
    EXPECT_EQ(elapsed("exact"), 100u);
    EXPECT_EQ(elapsed("tiny"), 10u);
    rig.bank().Find("slow").SetFrequency(24000); // half the rate: twice as long
    EXPECT_EQ(elapsed("slow"), 50u);
    EXPECT_FALSE(Sounding(rig.bank().Find("short").Copy(0)));
}

TEST(BankPlayback, AnItemWithoutSamplesIsSilentAndItsBufferIsNotMade) {
    SoundRig rig;
    rig.Load({{"nowave", {}},
              {"nodata", Riff({{"fmt ", PcmFormat(1, 48000, 16)}})},
              {"nodataloop", Riff({{"fmt ", PcmFormat(1, 48000, 16)}}), true}});
    const std::string notMade = "IDirectSoundBuffer not made";
    for (const char* name : {"nowave", "nodata"}) {
        TWaveCollectionItem& item = rig.bank().Find(name);
        EXPECT_TRUE(item.Initialized());
        EXPECT_NO_THROW(item.Play(false));
        EXPECT_NO_THROW(item.Play(true));
        EXPECT_EQ(item.CopyCount(), 0u);
        EXPECT_EQ(MessageOf([&] { item.Stop(); }), notMade);
        EXPECT_EQ(MessageOf([&] { item.SetFrequency(22050); }), notMade);
        EXPECT_EQ(MessageOf([&] { item.SetPan(100); }), notMade);
        EXPECT_EQ(MessageOf([&] { item.SetVolume(-100); }), notMade);
        EXPECT_EQ(item.Frequency(), 22050); // stored before the failure
    }
    TWaveCollectionItem& loop = rig.bank().Find("nodataloop");
    EXPECT_THROW(loop.Play(false), EDirectSoundBufferError);
}

TEST(BankPlayback, WithoutAMixerDeviceEverythingIsSilentAndNothingFails) {
    // A backend with no output: the device cannot open, which the window swallows.
    class NoOutput : public platform::AudioBackend {
    public:
        NoOutput() : AudioBackend(48000) {}
        bool HasOutput() const override { return false; }
    } backend;
    platform::VirtualClock clock;
    FakeWindow window;
    TDXSound device(SoundContext{&backend, &clock}, &window);
    TDXWaveList list("DXWaveListmenu");
    list.SetDXSound(&device);
    EXPECT_NO_THROW(device.Loaded());
    EXPECT_FALSE(device.Initialized());
    EXPECT_EQ(MessageOf([&] { device.Initialize(); }), "DirectSound cannot be initialized");
    EXPECT_THROW(device.Initialize(), EDirectSoundError);

    list.Items().LoadFromStream(
        BankFile({{"mainmenusp", WaveMs(50)}, {"loop", WaveMs(50), true}, {"empty", {}}}));
    for (const char* name : {"MAINMENUSP", "loop", "empty"}) {
        TWaveCollectionItem& item = list.Items().Find(name);
        EXPECT_FALSE(item.Initialized());
        EXPECT_NO_THROW(item.Play(true));
        EXPECT_NO_THROW(item.Stop());
        EXPECT_NO_THROW(item.SetFrequency(11025));
        EXPECT_NO_THROW(item.SetPan(-10000));
        EXPECT_NO_THROW(item.SetVolume(-500));
        EXPECT_EQ(item.Pan(), -10000);
        EXPECT_EQ(item.Buffer(), nullptr);
    }
    EXPECT_EQ(clock.ElapsedMs(), 0u);
}

TEST(BankPlayback, TheTraceSeesEveryCallWithTheSettingsAtEntry) {
    struct Recorder : SoundTrace {
        std::vector<std::string> lines;
        void OnPlay(std::string_view bank, std::string_view item, bool wait, bool looped, int32_t f,
                    int32_t p, int32_t v) override {
            lines.push_back(std::string(bank) + " play " + std::string(item) + " " +
                            std::to_string(wait) + std::to_string(looped) + " " +
                            std::to_string(f) + " " + std::to_string(p) + " " + std::to_string(v));
        }
        void OnStop(std::string_view bank, std::string_view item) override {
            lines.push_back(std::string(bank) + " stop " + std::string(item));
        }
        void OnSet(std::string_view bank, std::string_view item, std::string_view key,
                   int32_t value) override {
            lines.push_back(std::string(bank) + " " + std::string(key) + " " + std::string(item) +
                            " " + std::to_string(value));
        }
    } recorder;
    SoundRig rig(false); // closed: calls are reported all the same
    rig.list->SetTrace(&recorder);
    rig.Load({{"gun", WaveMs(20)}, {"navig1", WaveMs(20), true}});
    rig.bank().Find("gun").SetPan(-10000);
    rig.bank().Find("gun").Play(true);
    rig.bank().Find("navig1").SetFrequency(90000);
    rig.bank().Find("navig1").SetVolume(-200);
    rig.bank().Find("navig1").Play(false);
    rig.bank().Find("NAVIG1").Stop();
    EXPECT_EQ(recorder.lines,
              (std::vector<std::string>{
                  "DXWaveListtest pan gun -10000", "DXWaveListtest play gun 10 0 -10000 0",
                  "DXWaveListtest freq navig1 90000", "DXWaveListtest vol navig1 -200",
                  "DXWaveListtest play navig1 01 90000 0 -200", "DXWaveListtest stop navig1"}));
    rig.list->SetTrace(nullptr);
}

} // namespace
} // namespace vl::sound::testing
