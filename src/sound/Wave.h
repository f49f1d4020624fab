// SPDX-License-Identifier: GPL-3.0-or-later
// Wave: one recorded sound as the bank holds it — the format block and the sample bytes
// of a RIFF WAVE block — with the reader of such blocks and the writer our tools use.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "container/Error.h"
#include "container/ObjectStream.h"

namespace vl::sound {

// A block that is not RIFF WAVE at all ("Wave is invalid"). Short blocks fail with
// container::EReadError ("Stream read error") instead.
class EWaveError : public Error {
public:
    using Error::Error;
};

inline constexpr std::string_view kWaveInvalid = "Wave is invalid";

// Format tags of the wave-format record that our tools and tests make.
inline constexpr uint16_t kWaveFormatPcm = 1;
inline constexpr uint16_t kWaveFormatIeeeFloat = 3;

// The 16-byte wave-format record: format tag, channels, sample rate, average byte rate,
// block alignment, bits per sample (the byte rate and alignment derived from the rest).
std::vector<uint8_t> PcmFormatBlock(uint16_t formatTag, uint16_t channels, uint32_t rate,
                                    uint16_t bits);

class TWave {
public:
    // Reads one RIFF WAVE block: the bytes from the reader's current position to its end.
    // The record is emptied first and stays empty when reading fails. Throws EWaveError
    // (kWaveInvalid) when "RIFF"/"WAVE" are missing, container::EReadError
    // ("Stream read error") for a block shorter than 12 bytes or than the "fmt " or
    // "data" length it declares. Chunks are taken without pad bytes; a chunk whose
    // declared body runs past the end simply ends the chunk list. Leaves the reader at
    // the end of its data.
    void LoadFromStream(container::ByteReader& in);

    // The block as writers make it: "RIFF", length − 8, "WAVE", a "fmt " chunk with the
    // format block and a "data" chunk with the samples. Throws EWaveError when either is
    // too long for a 32-bit chunk length.
    std::vector<uint8_t> SaveToBytes() const;

    void Clear();
    bool Empty() const { return Format.empty() && Data.empty(); }

    // Fields of the format block; 0 when the block is too short to hold them.
    uint16_t FormatTag() const { return Field16(0); }
    uint16_t Channels() const { return Field16(2); }
    uint32_t SamplesPerSec() const { return Field32(4); }
    uint32_t AvgBytesPerSec() const { return Field32(8); }
    uint16_t BlockAlign() const { return Field16(12); }
    uint16_t BitsPerSample() const { return Field16(14); }

    // The format block, raw, of whatever length its chunk gave; handed to the mixer as is.
    std::vector<uint8_t> Format;
    // The sample bytes; their count is the "data" chunk's length.
    std::vector<uint8_t> Data;

private:
    uint16_t Field16(size_t at) const;
    uint32_t Field32(size_t at) const;
};

} // namespace vl::sound
