// SPDX-License-Identifier: GPL-3.0-or-later
// ObjectWriter: writes the resource header and object stream the way our data tools
// and tests make bank and picture files.
#include "container/LittleEndian.h"
#include "container/ObjectStream.h"

#include <algorithm>

namespace vl::container {

namespace {

void PutTag(std::vector<uint8_t>& out, ValueTag tag) {
    out.push_back(static_cast<uint8_t>(tag));
}

// Lengths of the 4-byte kind: a longer value cannot be written at all.
uint32_t LongLength(size_t n) {
    if (n > UINT32_MAX) throw EWriteError("Value too long for the object stream");
    return static_cast<uint32_t>(n);
}

constexpr uint16_t kResourceType = 10;
constexpr uint16_t kMemoryFlags = 0x1030;
constexpr size_t kMaxResourceName = 75;

} // namespace

ObjectWriter::ObjectWriter(std::string_view className, std::string_view objectName) {
    constexpr std::string_view kSignature = "TPF0";
    out_.assign(kSignature.begin(), kSignature.end());
    WriteShortString(className);
    WriteShortString(objectName);
}

void ObjectWriter::WriteShortString(std::string_view s) {
    if (s.size() > 255) {
        throw EWriteError(Format("Name too long for a short string: %s", {s.substr(0, 32)}));
    }
    out_.push_back(static_cast<uint8_t>(s.size()));
    out_.insert(out_.end(), s.begin(), s.end());
}

void ObjectWriter::WriteInteger(std::string_view name, int32_t value) {
    WriteShortString(name);
    if (value >= INT8_MIN && value <= INT8_MAX) {
        PutTag(out_, ValueTag::Int8);
        out_.push_back(static_cast<uint8_t>(value));
    } else if (value >= INT16_MIN && value <= INT16_MAX) {
        PutTag(out_, ValueTag::Int16);
        PutU16(out_, static_cast<uint16_t>(value));
    } else {
        PutTag(out_, ValueTag::Int32);
        PutU32(out_, static_cast<uint32_t>(value));
    }
}

void ObjectWriter::WriteString(std::string_view name, std::string_view value) {
    WriteShortString(name);
    if (value.size() <= 255) {
        PutTag(out_, ValueTag::String);
        out_.push_back(static_cast<uint8_t>(value.size()));
    } else {
        PutTag(out_, ValueTag::LString);
        PutU32(out_, LongLength(value.size()));
    }
    out_.insert(out_.end(), value.begin(), value.end());
}

void ObjectWriter::WriteBoolean(std::string_view name, bool value) {
    WriteShortString(name);
    PutTag(out_, value ? ValueTag::True : ValueTag::False);
}

void ObjectWriter::WriteIdent(std::string_view name, std::string_view ident) {
    WriteShortString(name);
    PutTag(out_, ValueTag::Ident);
    WriteShortString(ident);
}

void ObjectWriter::WriteBinary(std::string_view name, std::span<const uint8_t> bytes) {
    WriteShortString(name);
    PutTag(out_, ValueTag::Binary);
    PutU32(out_, LongLength(bytes.size()));
    out_.insert(out_.end(), bytes.begin(), bytes.end());
}

void ObjectWriter::BeginCollection(std::string_view name) {
    WriteShortString(name);
    PutTag(out_, ValueTag::Collection);
}

void ObjectWriter::BeginItem() {
    PutTag(out_, ValueTag::List);
}

void ObjectWriter::EndItem() {
    PutTag(out_, ValueTag::Null);
}

void ObjectWriter::EndCollection() {
    PutTag(out_, ValueTag::Null);
}

std::vector<uint8_t> ObjectWriter::Finish(std::string_view resourceName) {
    if (resourceName.size() > kMaxResourceName ||
        resourceName.find('\0') != std::string_view::npos) {
        throw EWriteError("Resource name must be at most 75 bytes without a zero byte");
    }
    PutTag(out_, ValueTag::Null); // end of the root's properties
    PutTag(out_, ValueTag::Null); // no child objects
    std::vector<uint8_t> file;
    file.reserve(10 + resourceName.size() + out_.size());
    file.push_back(0xFF);
    PutU16(file, kResourceType);
    file.insert(file.end(), resourceName.begin(), resourceName.end());
    file.push_back(0);
    PutU16(file, kMemoryFlags);
    PutU32(file, LongLength(out_.size()));
    file.insert(file.end(), out_.begin(), out_.end());
    return file;
}

} // namespace vl::container
