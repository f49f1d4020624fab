// SPDX-License-Identifier: GPL-3.0-or-later
// SoundFileWriter: stereo sound streamed into a file as it is made — a WAV (16-bit PCM) or
// an Ogg Opus file (libopusenc), chosen by the file's name.
//
// Contract: the sound goes into a temporary file beside the destination, which takes its
// place only when Finish succeeds; a writer destroyed unfinished (an error, a render cut
// short) removes it, so a destination is never left half written. Errors throw vl::Error
// naming the file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>

namespace vl::app {

class SoundFileWriter {
public:
    enum class Kind { Wav, Opus };
    // What a file's name asks for: ".wav" or ".opus", in any case; nothing for another.
    static std::optional<Kind> KindOf(const std::filesystem::path& path);

    // Opens the temporary file for `path` (KindOf(path) must name a kind). `rate`: frames a
    // second (Opus: 48000). Throws vl::Error "Cannot create file "PATH". why".
    SoundFileWriter(const std::filesystem::path& path, uint32_t rate);
    ~SoundFileWriter();
    SoundFileWriter(const SoundFileWriter&) = delete;
    SoundFileWriter& operator=(const SoundFileWriter&) = delete;

    // Appends interleaved stereo samples in [-1, 1] (louder ones are clipped). Throws
    // vl::Error when the file cannot take them (a full disk; a WAV past 4 GiB).
    void Write(std::span<const float> samples);
    // Completes the file and puts it in place of `path`. Throws vl::Error.
    void Finish();

    // The backend for one kind of file.
    class Format;

private:
    std::filesystem::path path_, temp_;
    std::unique_ptr<Format> format_;
};

} // namespace vl::app
