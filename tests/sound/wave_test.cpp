// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the wave block reader: chunk walking as the bank needs it, its failures, and a
// cross-check against WAV files written by sox.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "container/ObjectStream.h"
#include "sound/Wave.h"
#include "support/bank_builder.h"

namespace vl::sound {
namespace {

using Bytes = std::vector<uint8_t>;

void PutU32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// "RIFF" length "WAVE" and then the chunks as given, with no pad bytes.
Bytes Block(const std::vector<std::pair<std::string, Bytes>>& chunks) {
    Bytes b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const auto& [id, body] : chunks) {
        b.insert(b.end(), id.begin(), id.end());
        PutU32(b, static_cast<uint32_t>(body.size()));
        b.insert(b.end(), body.begin(), body.end());
    }
    const auto riff = static_cast<uint32_t>(b.size() - 8);
    for (int i = 0; i < 4; ++i) b[4 + i] = static_cast<uint8_t>(riff >> (8 * i));
    return b;
}

TWave Load(const Bytes& block) {
    container::ByteReader in(block);
    TWave w;
    w.LoadFromStream(in);
    return w;
}

template <class F> std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.Message();
    }
    return "";
}

const Bytes kFmt = PcmFormatBlock(kWaveFormatPcm, 1, 22050, 16);

TEST(Wave, ReadsFormatAndSamplesPastOtherChunks) {
    const Bytes samples = {1, 2, 3, 4, 5, 6};
    const Bytes info = {'I', 'N', 'F', 'O', 'I', 'C', 'M', 'T', 2, 0, 0, 0, 'h', 0};
    const TWave w = Load(Block({{"fmt ", kFmt}, {"LIST", info}, {"data", samples}}));
    EXPECT_EQ(w.Format, kFmt);
    EXPECT_EQ(w.Data, samples);
    EXPECT_EQ(w.FormatTag(), 1);
    EXPECT_EQ(w.Channels(), 1);
    EXPECT_EQ(w.SamplesPerSec(), 22050u);
    EXPECT_EQ(w.AvgBytesPerSec(), 44100u);
    EXPECT_EQ(w.BlockAlign(), 2);
    EXPECT_EQ(w.BitsPerSample(), 16);
}

TEST(Wave, OddBodiesHaveNoPadByteAndLaterChunksWin) {
    // The "data" header follows the 3-byte body at once; with a pad byte it would be lost.
    const Bytes fmt2 = PcmFormatBlock(kWaveFormatPcm, 2, 8000, 8);
    const TWave w = Load(Block({{"fmt ", kFmt},
                                {"junk", {9, 9, 9}},
                                {"data", {1, 2}},
                                {"fmt ", fmt2},
                                {"data", {7, 7, 7}}}));
    EXPECT_EQ(w.Format, fmt2);
    EXPECT_EQ(w.Data, (Bytes{7, 7, 7}));
}

TEST(Wave, EndOfChunksWithoutData) {
    // No "data": no samples. A zero identifier ends the list even with bytes after it.
    EXPECT_TRUE(Load(Block({{"fmt ", kFmt}})).Data.empty());
    Bytes b = Block({{"fmt ", kFmt}});
    b.insert(b.end(), 8, 0);
    const Bytes tail = Block({{"data", {1}}});
    b.insert(b.end(), tail.begin() + 12, tail.end());
    const TWave w = Load(b);
    EXPECT_EQ(w.Format, kFmt);
    EXPECT_TRUE(w.Data.empty());
    // A bare RIFF header is a wave with nothing in it; so is a partial chunk header.
    EXPECT_TRUE(Load(Block({})).Empty());
    Bytes partial = Block({});
    partial.insert(partial.end(), {'L', 'I', 'S'});
    EXPECT_TRUE(Load(partial).Empty());
}

TEST(Wave, FailuresAndTheirMessages) {
    EXPECT_EQ(MessageOf([] { Load({}); }), "Stream read error");
    EXPECT_EQ(MessageOf([] {
                  Load({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V'});
              }),
              "Stream read error");
    Bytes bad = Block({{"fmt ", kFmt}, {"data", {1}}});
    bad[0] = 'r';
    EXPECT_THROW(Load(bad), EWaveError);
    EXPECT_EQ(MessageOf([&] { Load(bad); }), "Wave is invalid");
    bad[0] = 'R';
    bad[11] = 'X';
    EXPECT_EQ(MessageOf([&] { Load(bad); }), "Wave is invalid");

    // A "fmt " or "data" body declared longer than the block.
    Bytes shortFmt = Block({{"fmt ", kFmt}});
    shortFmt.pop_back();
    EXPECT_THROW(Load(shortFmt), container::EReadError);
    Bytes shortData = Block({{"fmt ", kFmt}, {"data", {1, 2, 3, 4}}});
    shortData.pop_back();
    EXPECT_EQ(MessageOf([&] { Load(shortData); }), "Stream read error");
    // Another chunk declared past the end just ends the list.
    Bytes longJunk = Block({{"fmt ", kFmt}, {"data", {5}}, {"junk", {}}});
    longJunk[longJunk.size() - 4] = 0xFF;
    longJunk[longJunk.size() - 1] = 0xFF;
    EXPECT_EQ(Load(longJunk).Data, Bytes{5});
}

TEST(Wave, FailedReadLeavesTheRecordEmptyAndGoodReadReplacesIt) {
    TWave w = Load(Block({{"fmt ", kFmt}, {"data", {1, 2}}}));
    Bytes shortData = Block({{"fmt ", kFmt}, {"data", {1, 2, 3, 4}}});
    shortData.pop_back();
    container::ByteReader in(shortData);
    EXPECT_THROW(w.LoadFromStream(in), container::EReadError);
    EXPECT_TRUE(w.Empty());
    const Bytes only = Block({{"fmt ", kFmt}});
    container::ByteReader in2(only);
    w.Data = {9};
    w.LoadFromStream(in2);
    EXPECT_TRUE(w.Data.empty());
}

TEST(Wave, ReadsFromTheReadersPositionAndSavesAsWritersDo) {
    const Bytes samples = testing::SineSamples({.channels = 2, .bits = 8, .frames = 5});
    TWave w;
    w.Format = PcmFormatBlock(kWaveFormatPcm, 2, 22050, 8);
    w.Data = samples;
    const Bytes block = w.SaveToBytes();
    EXPECT_EQ(block, Block({{"fmt ", w.Format}, {"data", samples}}));
    Bytes prefixed = {0xAA, 0xBB};
    prefixed.insert(prefixed.end(), block.begin(), block.end());
    container::ByteReader in(prefixed);
    in.Skip(2);
    TWave back;
    back.LoadFromStream(in);
    EXPECT_EQ(back.Format, w.Format);
    EXPECT_EQ(back.Data, samples);
    EXPECT_EQ(in.Remaining(), 0u);
}

// --- files written by sox -----------------------------------------------------------------

class SoxWaves : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("sox --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "sox missing";
        dir_ = std::filesystem::temp_directory_path() / ("vl_wave_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }
    // Runs sox to write `name` with `options`, and its samples alone as raw bytes.
    void Make(const std::string& name, const std::string& options) {
        const std::string wav = (dir_ / (name + ".wav")).string();
        const std::string raw = (dir_ / (name + ".raw")).string();
        ASSERT_EQ(
            std::system(("sox -q -n " + options + " '" + wav + "' synth 0.02 sine 440").c_str()),
            0);
        ASSERT_EQ(std::system(("sox -q '" + wav + "' -t raw '" + raw + "'").c_str()), 0);
    }
    Bytes File(const std::string& name) {
        std::ifstream f(dir_ / name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(f), {});
    }
    std::filesystem::path dir_;
};

TEST_F(SoxWaves, FormatAndSamplesMatchWhatSoxWrote) {
    struct Case {
        std::string name;
        std::string options;
        uint16_t tag; // sox writes the extensible record (0xFFFE) for 24 bits and float stereo
        uint16_t channels;
        uint32_t rate;
        uint16_t bits;
    };
    const std::vector<Case> cases = {
        {"u8", "-r 8000 -b 8 -e unsigned-integer -c 2", 1, 2, 8000, 8},
        {"s16", "-r 22050 -b 16 -c 1", 1, 1, 22050, 16},
        {"s24", "-r 44100 -b 24 -c 1", 0xFFFE, 1, 44100, 24},
        {"f32", "-r 48000 -b 32 -e floating-point -c 2", 3, 2, 48000, 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Make(c.name, c.options);
        const TWave w = Load(File(c.name + ".wav"));
        EXPECT_EQ(w.FormatTag(), c.tag);
        EXPECT_EQ(w.Channels(), c.channels);
        EXPECT_EQ(w.SamplesPerSec(), c.rate);
        EXPECT_EQ(w.BitsPerSample(), c.bits);
        const Bytes raw = File(c.name + ".raw");
        EXPECT_FALSE(raw.empty());
        EXPECT_EQ(w.Data, raw);
    }
}

} // namespace
} // namespace vl::sound
