// SPDX-License-Identifier: GPL-3.0-or-later
// SoundFileWriter: the WAV and Ogg Opus backends behind one streaming writer.
//
// Index:
//   - Format: the operations a backend provides
//   - WavFormat: a RIFF header whose sizes are filled in at the end, then 16-bit samples
//   - OpusFormat: libopusenc writing its pages through our own stream
//   - SoundFileWriter: the temporary file, Write, Finish
#include "app/SoundFileWriter.h"

#include <opusenc.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "base/Check.h"
#include "container/Error.h"
#include "container/LittleEndian.h"
#include "platform/WaveFormat.h"
#include "settings/Paths.h"

namespace vl::app {

namespace {

constexpr uint16_t kChannels = 2;
constexpr size_t kWavHeaderBytes = 44;
// RIFF sizes are 32-bit: the data may take what is left of 4 GiB after the header.
constexpr uint64_t kMaxWavData = 0xFFFFFFFFull - (kWavHeaderBytes - 8);

[[noreturn]] void Fail(const std::filesystem::path& path, const std::string& why) {
    throw Error("Cannot create file \"" + settings::Utf8Of(path) + "\". " + why);
}

std::string SystemReason() {
    return errno != 0 ? std::strerror(errno) : std::string("the file could not be written");
}

} // namespace

// --- Format -------------------------------------------------------------------------------

class SoundFileWriter::Format {
public:
    virtual ~Format() = default;
    virtual void Write(std::span<const float> samples) = 0;
    // Everything written and the file closed; throws on any failure.
    virtual void Finish() = 0;
};

namespace {

// --- WavFormat ----------------------------------------------------------------------------

class WavFormat final : public SoundFileWriter::Format {
public:
    WavFormat(const std::filesystem::path& temp, const std::filesystem::path& shown, uint32_t rate)
        : shown_(shown), rate_(rate), out_(temp, std::ios::binary | std::ios::trunc) {
        if (!out_) Fail(shown_, SystemReason());
        WriteHeader(0); // the sizes come with Finish
    }

    void Write(std::span<const float> samples) override {
        if (dataBytes_ + samples.size() * 2 > kMaxWavData)
            Fail(shown_, "The sound is longer than a WAV file can hold.");
        buffer_.clear();
        for (const float v : samples)
            container::PutU16(buffer_, static_cast<uint16_t>(platform::PcmSample16(v)));
        out_.write(reinterpret_cast<const char*>(buffer_.data()),
                   static_cast<std::streamsize>(buffer_.size()));
        if (!out_) Fail(shown_, SystemReason());
        dataBytes_ += buffer_.size();
    }

    void Finish() override {
        out_.seekp(0);
        WriteHeader(static_cast<uint32_t>(dataBytes_));
        out_.close();
        if (!out_) Fail(shown_, SystemReason());
    }

private:
    void WriteHeader(uint32_t dataBytes) {
        std::vector<uint8_t> b;
        container::PutId(b, "RIFF");
        container::PutU32(b, static_cast<uint32_t>(kWavHeaderBytes - 8) + dataBytes);
        container::PutId(b, "WAVE");
        container::PutId(b, "fmt ");
        container::PutU32(b, 16);
        const auto fmt = platform::MakeFormatBlock(kChannels, rate_, 16);
        b.insert(b.end(), fmt.begin(), fmt.end());
        container::PutId(b, "data");
        container::PutU32(b, dataBytes);
        VL_CHECK(b.size() == kWavHeaderBytes, "a WAV header is 44 bytes");
        out_.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
        if (!out_) Fail(shown_, SystemReason());
    }

    std::filesystem::path shown_;
    uint32_t rate_;
    std::ofstream out_;
    std::vector<uint8_t> buffer_;
    uint64_t dataBytes_ = 0;
};

// --- OpusFormat ---------------------------------------------------------------------------

class OpusFormat final : public SoundFileWriter::Format {
public:
    OpusFormat(const std::filesystem::path& temp, const std::filesystem::path& shown, uint32_t rate)
        : shown_(shown), out_(temp, std::ios::binary | std::ios::trunc) {
        if (!out_) Fail(shown_, SystemReason());
        OggOpusComments* comments = ope_comments_create();
        if (!comments) Fail(shown_, "Out of memory.");
        const std::string encoder = std::string(kProgramName) + " " + std::string(kProgramVersion);
        ope_comments_add(comments, "ENCODER", encoder.c_str());
        static constexpr OpusEncCallbacks kCallbacks{&OpusFormat::WritePage, &OpusFormat::Close};
        int error = 0;
        encoder_ = ope_encoder_create_callbacks(
            &kCallbacks, this, comments, static_cast<opus_int32>(rate), kChannels, 0, &error);
        ope_comments_destroy(comments);
        if (!encoder_) Fail(shown_, ope_strerror(error));
    }

    ~OpusFormat() override {
        if (encoder_) ope_encoder_destroy(encoder_);
    }
    OpusFormat(const OpusFormat&) = delete;
    OpusFormat& operator=(const OpusFormat&) = delete;

    void Write(std::span<const float> samples) override {
        const int error = ope_encoder_write_float(encoder_, samples.data(),
                                                  static_cast<int>(samples.size() / kChannels));
        Check(error);
    }

    void Finish() override {
        Check(ope_encoder_drain(encoder_));
        ope_encoder_destroy(encoder_);
        encoder_ = nullptr;
        out_.close();
        if (!out_) Fail(shown_, SystemReason());
    }

private:
    void Check(int error) {
        if (!out_) Fail(shown_, SystemReason());
        if (error != OPE_OK) Fail(shown_, ope_strerror(error));
    }
    // libopusenc's output: 0 when the page was written.
    static int WritePage(void* self, const unsigned char* page, opus_int32 length) {
        auto& out = static_cast<OpusFormat*>(self)->out_;
        out.write(reinterpret_cast<const char*>(page), length);
        return out ? 0 : 1;
    }
    static int Close(void* /*self*/) { return 0; } // the stream closes with Finish

    std::filesystem::path shown_;
    std::ofstream out_;
    OggOpusEnc* encoder_ = nullptr;
};

} // namespace

// --- SoundFileWriter ----------------------------------------------------------------------

std::optional<SoundFileWriter::Kind> SoundFileWriter::KindOf(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".wav") return Kind::Wav;
    if (ext == ".opus") return Kind::Opus;
    return std::nullopt;
}

SoundFileWriter::SoundFileWriter(const std::filesystem::path& path, uint32_t rate) : path_(path) {
    const auto kind = KindOf(path);
    VL_CHECK(kind.has_value(), "a sound file is named .wav or .opus");
    temp_ = path;
    temp_ += ".partial";
    errno = 0;
    if (*kind == Kind::Wav)
        format_ = std::make_unique<WavFormat>(temp_, path_, rate);
    else
        format_ = std::make_unique<OpusFormat>(temp_, path_, rate);
}

SoundFileWriter::~SoundFileWriter() {
    format_.reset(); // closes the temporary file, so that it can go (Windows)
    if (!temp_.empty()) {
        std::error_code ec;
        std::filesystem::remove(temp_, ec);
    }
}

void SoundFileWriter::Write(std::span<const float> samples) {
    VL_CHECK(format_ && samples.size() % kChannels == 0, "whole frames into an open file");
    errno = 0;
    format_->Write(samples);
}

void SoundFileWriter::Finish() {
    VL_CHECK(format_ != nullptr, "a sound file is finished once");
    errno = 0;
    format_->Finish();
    format_.reset();
    std::error_code ec;
    std::filesystem::rename(temp_, path_, ec);
    if (ec) Fail(path_, ec.message());
    temp_.clear();
}

} // namespace vl::app
