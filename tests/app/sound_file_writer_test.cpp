// SPDX-License-Identifier: GPL-3.0-or-later
// SoundFileWriter: an Opus file decodes (with libopus) to the sound written, its length
// exact; a writer that is not finished leaves the destination as it was.
#include <gtest/gtest.h>

#include <opus.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "app/SoundFileWriter.h"
#include "container/Error.h"

namespace {

namespace fs = std::filesystem;
using vl::app::SoundFileWriter;

const fs::path kWork =
    fs::path(VL_BINARY_DIR) / "test-app-soundfile" / std::to_string(static_cast<long>(getpid()));

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A stereo tone: 440 Hz on the left, 660 Hz on the right, at half scale.
std::vector<float> Tone(size_t frames) {
    std::vector<float> out(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / 48000.0;
        out[2 * i] = static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 440 * t));
        out[2 * i + 1] = static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 660 * t));
    }
    return out;
}

// The packets of an Ogg stream, in order, and the last page's granule position.
struct OggPackets {
    std::vector<std::string> packets;
    uint64_t lastGranule = 0;
};
OggPackets ReadOgg(const std::string& bytes) {
    OggPackets out;
    std::string packet;
    size_t at = 0;
    while (at + 27 <= bytes.size()) {
        EXPECT_EQ(bytes.compare(at, 4, "OggS"), 0) << "a page at " << at;
        if (bytes.compare(at, 4, "OggS") != 0) break;
        uint64_t granule = 0;
        for (int i = 7; i >= 0; --i)
            granule = granule << 8 | static_cast<uint8_t>(bytes[at + 6 + i]);
        out.lastGranule = granule;
        const size_t segments = static_cast<uint8_t>(bytes[at + 26]);
        size_t body = at + 27 + segments;
        for (size_t s = 0; s < segments && body <= bytes.size(); ++s) {
            const size_t lace = static_cast<uint8_t>(bytes[at + 27 + s]);
            packet += bytes.substr(body, lace);
            body += lace;
            if (lace < 255) out.packets.push_back(std::move(packet)), packet.clear();
        }
        at = body;
    }
    return out;
}

class SoundFileWriterTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(kWork); }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(kWork, ec);
    }
};

TEST_F(SoundFileWriterTest, AnOpusFileDecodesToTheSoundWrittenAndLastsExactlyAsLong) {
    const fs::path path = kWork / "tone.opus";
    constexpr size_t kFrames = 48000 + 1234; // not a whole number of Opus frames
    const std::vector<float> tone = Tone(kFrames);
    {
        SoundFileWriter out(path, 48000);
        for (size_t at = 0; at < tone.size(); at += 2 * 4096)
            out.Write(std::span(tone).subspan(at, std::min<size_t>(2 * 4096, tone.size() - at)));
        out.Finish();
    }
    EXPECT_FALSE(fs::exists(kWork / "tone.opus.partial"));
    const OggPackets ogg = ReadOgg(ReadAll(path));
    ASSERT_GE(ogg.packets.size(), 3U);
    ASSERT_EQ(ogg.packets[0].substr(0, 8), "OpusHead");
    EXPECT_EQ(ogg.packets[0][9], 2); // channels
    EXPECT_EQ(ogg.packets[1].substr(0, 8), "OpusTags");
    const size_t preSkip = static_cast<uint8_t>(ogg.packets[0][10]) |
                           static_cast<size_t>(static_cast<uint8_t>(ogg.packets[0][11])) << 8;
    EXPECT_EQ(ogg.lastGranule, preSkip + kFrames);

    int error = 0;
    OpusDecoder* decoder = opus_decoder_create(48000, 2, &error);
    ASSERT_EQ(error, OPUS_OK);
    std::vector<float> decoded, pcm(5760 * 2);
    for (size_t p = 2; p < ogg.packets.size(); ++p) {
        const int n = opus_decode_float(
            decoder, reinterpret_cast<const unsigned char*>(ogg.packets[p].data()),
            static_cast<opus_int32>(ogg.packets[p].size()), pcm.data(), 5760, 0);
        ASSERT_GT(n, 0);
        decoded.insert(decoded.end(), pcm.begin(), pcm.begin() + 2 * n);
    }
    opus_decoder_destroy(decoder);
    ASSERT_GE(decoded.size(), 2 * (preSkip + kFrames));
    // Lossy, but the same tone in the same place: the difference is far below the signal.
    double signal = 0, noise = 0;
    for (size_t i = 0; i < 2 * kFrames; ++i) {
        signal += tone[i] * tone[i];
        const double d = decoded[2 * preSkip + i] - tone[i];
        noise += d * d;
    }
    EXPECT_LT(noise, signal * 0.01) << "signal " << signal << ", noise " << noise;
}

TEST_F(SoundFileWriterTest, AnUnfinishedFileLeavesTheDestinationAsItWas) {
    for (const char* name : {"old.wav", "old.opus"}) {
        const fs::path path = kWork / name;
        std::ofstream(path, std::ios::binary) << "what was there";
        {
            SoundFileWriter out(path, 48000);
            out.Write(Tone(10000));
        } // cut short: never finished
        EXPECT_EQ(ReadAll(path), "what was there") << name;
        EXPECT_FALSE(fs::exists(kWork / (std::string(name) + ".partial")));
    }
    EXPECT_THROW(SoundFileWriter(kWork / "no such folder" / "x.wav", 48000), vl::Error);
    EXPECT_EQ(SoundFileWriter::KindOf("Match.OPUS"), SoundFileWriter::Kind::Opus);
    EXPECT_FALSE(SoundFileWriter::KindOf("match.ogg").has_value());
}

} // namespace
