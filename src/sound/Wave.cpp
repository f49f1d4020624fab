// SPDX-License-Identifier: GPL-3.0-or-later
// Wave: reading and writing RIFF WAVE blocks, and the PCM format record.
#include "sound/Wave.h"

#include "container/LittleEndian.h"

#include <algorithm>
#include <cstring>

namespace vl::sound {

using container::LoadU16;
using container::LoadU32;
using container::PutId;
using container::PutU16;
using container::PutU32;

std::vector<uint8_t> PcmFormatBlock(uint16_t formatTag, uint16_t channels, uint32_t rate,
                                    uint16_t bits) {
    const uint32_t align = uint32_t{channels} * ((uint32_t{bits} + 7) / 8);
    std::vector<uint8_t> f;
    f.reserve(16);
    PutU16(f, formatTag);
    PutU16(f, channels);
    PutU32(f, rate);
    PutU32(f, rate * align);
    PutU16(f, static_cast<uint16_t>(align));
    PutU16(f, bits);
    return f;
}

void TWave::Clear() {
    Format.clear();
    Data.clear();
}

uint16_t TWave::Field16(size_t at) const {
    if (Format.size() < at + 2) return 0;
    return LoadU16(Format.data() + at);
}

uint32_t TWave::Field32(size_t at) const {
    if (Format.size() < at + 4) return 0;
    return LoadU32(Format.data() + at);
}

void TWave::LoadFromStream(container::ByteReader& in) {
    Clear();
    uint8_t riff[12];
    in.Read(riff, sizeof riff);
    if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
        throw EWaveError(std::string(kWaveInvalid));
    }

    std::vector<uint8_t> format;
    bool haveData = false;
    size_t dataOffset = 0;
    uint32_t dataLength = 0;
    for (;;) {
        // The end of the block leaves the header zero, which ends the list like a
        // zero identifier does.
        uint8_t header[8] = {};
        in.ReadSome(header, sizeof header);
        if (LoadU32(header) == 0) break;
        const uint32_t length = LoadU32(header + 4);
        if (std::memcmp(header, "fmt ", 4) == 0) {
            const std::span<const uint8_t> body = in.ReadSpan(length);
            format.assign(body.begin(), body.end());
            continue;
        }
        if (std::memcmp(header, "data", 4) == 0) {
            haveData = true;
            dataOffset = in.Position();
            dataLength = length;
        }
        // Bodies follow each other with no pad byte. A body declared past the end takes
        // the rest of the block; only a "data" body is then found short, below.
        in.Seek(in.Position() + std::min<size_t>(length, in.Remaining()));
    }

    std::vector<uint8_t> samples;
    if (haveData) {
        const size_t end = in.Position();
        in.Seek(dataOffset);
        const std::span<const uint8_t> body = in.ReadSpan(dataLength);
        samples.assign(body.begin(), body.end());
        in.Seek(end);
    }
    Format = std::move(format);
    Data = std::move(samples);
}

std::vector<uint8_t> TWave::SaveToBytes() const {
    const uint64_t total = 12 + 8 + uint64_t{Format.size()} + 8 + Data.size();
    if (total - 8 > UINT32_MAX) throw EWaveError("Wave is too large for a RIFF block");
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(total));
    PutId(out, "RIFF");
    PutU32(out, static_cast<uint32_t>(total - 8));
    PutId(out, "WAVE");
    PutId(out, "fmt ");
    PutU32(out, static_cast<uint32_t>(Format.size()));
    out.insert(out.end(), Format.begin(), Format.end());
    PutId(out, "data");
    PutU32(out, static_cast<uint32_t>(Data.size()));
    out.insert(out.end(), Data.begin(), Data.end());
    return out;
}

} // namespace vl::sound
