// SPDX-License-Identifier: GPL-3.0-or-later
// Cross-check against WAV files made and decoded by sox: the mixer must read their
// format blocks and play their samples as sox itself decodes them.
#include "mixer_helpers.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace vl::platform {
namespace {

using namespace vl::platform::testing;
namespace fs = std::filesystem;

std::vector<uint8_t> ReadFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

bool Shell(const std::string& cmd) {
    return std::system((cmd + " >/dev/null 2>&1").c_str()) == 0;
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// A deliberately small RIFF walk, independent of the program's own wave reader: chunks
// padded to even length, as RIFF requires.
struct Chunks {
    std::vector<uint8_t> fmt, data;
    std::vector<std::string> order;
};

Chunks Walk(const std::vector<uint8_t>& b) {
    Chunks c;
    size_t at = 12;
    while (at + 8 <= b.size()) {
        const std::string id(b.begin() + at, b.begin() + at + 4);
        const uint32_t len = U32(b, at + 4);
        const size_t body = at + 8, end = std::min(b.size(), body + len);
        c.order.push_back(id);
        if (id == "fmt ") c.fmt.assign(b.begin() + body, b.begin() + end);
        if (id == "data") c.data.assign(b.begin() + body, b.begin() + end);
        at = body + len + (len & 1);
    }
    return c;
}

// Inserts a LIST/INFO chunk before "data" (sox 14.4 writes none, even for --comment).
std::vector<uint8_t> WithListChunk(const std::vector<uint8_t>& wav) {
    const std::string info = std::string("INFO") + "ICMT" + std::string("\x0d\0\0\0", 4) +
                             "Vlnedla test" + std::string(2, '\0'); // 13 bytes + pad
    std::vector<uint8_t> list = {'L', 'I', 'S', 'T'};
    for (int i = 0; i < 4; ++i) list.push_back(static_cast<uint8_t>(info.size() >> (8 * i)));
    list.insert(list.end(), info.begin(), info.end());
    std::vector<uint8_t> out = wav;
    const std::string whole(wav.begin(), wav.end());
    const size_t data = whole.find("data", 12);
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(data), list.begin(), list.end());
    const uint32_t riff = static_cast<uint32_t>(out.size() - 8);
    for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(riff >> (8 * i));
    return out;
}

class MixerSox : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Shell("sox --version")) GTEST_SKIP() << "sox is not installed";
        dir = fs::path(::testing::TempDir()) / ("vl_mixer_sox_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        if (!dir.empty()) fs::remove_all(dir, ec);
    }
    fs::path dir;
};

TEST_F(MixerSox, PlaysSoxFilesAsSoxDecodesThem) {
    struct Case {
        const char* name;
        const char* options; // sox output options
        uint32_t rate;
        int channels;
        bool addList;
    };
    const Case cases[] = {
        {"u8_stereo", "-r 22050 -c 2 -b 8 -e unsigned-integer", 22050, 2, false},
        {"s16_mono", "-r 44100 -c 1 -b 16 -e signed-integer", 44100, 1, false},
        {"s24_stereo", "-r 48000 -c 2 -b 24 -e signed-integer", 48000, 2, false},
        {"s32_mono", "-r 16000 -c 1 -b 32 -e signed-integer", 16000, 1, false},
        {"f32_mono", "-r 32000 -c 1 -b 32 -e floating-point", 32000, 1, false},
        {"s16_list", "-r 44100 -c 2 -b 16 -e signed-integer", 44100, 2, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto wav = dir / (std::string(c.name) + ".wav");
        const auto raw = dir / (std::string(c.name) + ".raw");
        // Two tones, one per channel when stereo, so a channel swap would show.
        ASSERT_TRUE(Shell("sox -R -n " + std::string(c.options) + " " + wav.string() +
                          " synth 0.1 sine 440 sine 1250 vol 0.7"));
        auto bytes = ReadFile(wav);
        if (c.addList) {
            bytes = WithListChunk(bytes);
            std::ofstream(wav, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
        }
        ASSERT_TRUE(Shell("sox " + wav.string() + " -t f32 " + raw.string()));
        const auto rawBytes = ReadFile(raw);
        std::vector<float> ref(rawBytes.size() / 4);
        std::memcpy(ref.data(), rawBytes.data(), ref.size() * 4);

        const Chunks chunks = Walk(bytes);
        if (c.addList) {
            EXPECT_EQ(chunks.order, (std::vector<std::string>{"fmt ", "LIST", "data"}));
        }
        ASSERT_FALSE(chunks.fmt.empty());
        ASSERT_FALSE(chunks.data.empty());
        const uint32_t frames = static_cast<uint32_t>(ref.size() / c.channels);
        ASSERT_EQ(frames, 0.1 * c.rate);

        // At the file's own rate the mixer passes the samples through unchanged, once the
        // start's rise is over.
        OfflineAudioBackend backend(c.rate);
        std::unique_ptr<MixerDevice> device;
        ASSERT_EQ(backend.CreateDevice(device), kMixOk);
        auto buf = Load(*device, chunks.fmt, chunks.data);
        ASSERT_TRUE(buf);
        ASSERT_EQ(buf->Play(false), kMixOk);
        const auto out = backend.RenderFrames(frames);
        for (uint32_t i = kRamp; i < frames; ++i) {
            const float l = ref[i * c.channels], r = ref[i * c.channels + c.channels - 1];
            ASSERT_NEAR(out[2 * i], l, 1e-6) << "frame " << i;
            ASSERT_NEAR(out[2 * i + 1], r, 1e-6) << "frame " << i;
        }
        uint32_t status = 1;
        ASSERT_EQ(buf->GetStatus(&status), kMixOk);
        EXPECT_EQ(status, 0u); // ended exactly with the data
    }
}

} // namespace
} // namespace vl::platform
