// SPDX-License-Identifier: GPL-3.0-or-later
// ObjectStream: the reading side — bounded byte reads from memory or a file, whole-file
// reads, the resource header and the tagged object stream with its property records and
// collections.
//
// Index:
//   - ByteReader
//   - ReadWholeFile
//   - SameName, text conversion
//   - ObjectReader: header and root object
//   - ObjectReader: property records
//   - ObjectReader: values
//   - ObjectReader: collections and skipping
#include "container/ObjectStream.h"

#include "container/InputFile.h"
#include "container/LittleEndian.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace vl::container {

namespace {

[[noreturn]] void ThrowRead() {
    throw EReadError(std::string(kStreamReadError));
}
[[noreturn]] void ThrowFormat() {
    throw EReadError(std::string(kInvalidStreamFormat));
}
[[noreturn]] void ThrowValue() {
    throw EReadError(std::string(kInvalidPropertyValue));
}

} // namespace

// --- ByteReader ---------------------------------------------------------------------------

namespace {

// How much of a file one refill reads when the read itself asks for less.
constexpr size_t kPiece = 64 * 1024;

} // namespace

ByteReader::ByteReader(InputFile& file) : file_(&file) {
    // A size past what memory can address cannot be read anyway; the reads fail at it.
    size_ = static_cast<size_t>(std::min<uint64_t>(file.Size(), SIZE_MAX));
}

const uint8_t* ByteReader::Refill(size_t n) {
    if (n > Remaining() || !file_) ThrowRead();
    // At least the bytes asked for, so that a declared block is one view; more only up to
    // a piece, so that memory follows what the content declares, not the file's size.
    const size_t want = std::max(n, std::min(kPiece, Remaining()));
    piece_.resize(want);
    if (file_->ReadAt(pos_, piece_.data(), want) < n) ThrowRead(); // the file shrank
    base_ = pos_;
    window_ = std::span<const uint8_t>(piece_.data(), want);
    pos_ += n;
    return piece_.data();
}

void ByteReader::Read(void* dst, size_t n) {
    if (n == 0) return;
    if (file_ && n > kPiece) { // a large read goes straight to its destination
        if (n > Remaining()) ThrowRead();
        if (file_->ReadAt(pos_, dst, n) < n) ThrowRead();
        pos_ += n;
        return;
    }
    std::memcpy(dst, Need(n), n);
}

size_t ByteReader::ReadSome(void* dst, size_t n) {
    const size_t got = std::min(n, Remaining());
    Read(dst, got);
    return got;
}

uint16_t ByteReader::ReadU16() {
    return LoadU16(Need(2));
}

uint32_t ByteReader::ReadU32() {
    return LoadU32(Need(4));
}

std::span<const uint8_t> ByteReader::ReadSpan(size_t n) {
    if (n == 0) return {};
    return {Need(n), n};
}

void ByteReader::Skip(size_t n) {
    if (n > Remaining()) ThrowRead();
    pos_ += n;
}

// --- ReadWholeFile ------------------------------------------------------------------------

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    InputFile file(path);
    std::vector<uint8_t> bytes;
    // The size is only what it was at opening; reading on to the end takes what is there.
    std::array<uint8_t, kPiece> chunk{};
    for (uint64_t at = 0;;) {
        const size_t n = file.ReadAt(at, chunk.data(), chunk.size());
        if (n == 0) break;
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<ptrdiff_t>(n));
        at += n;
    }
    return bytes;
}

// --- SameName, text conversion ------------------------------------------------------------

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

namespace {

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

constexpr uint32_t kReplacement = 0xFFFD;

} // namespace

// --- ObjectReader: header and root object -------------------------------------------------

void ObjectReader::ReadResourceHeader() {
    // The zero-filled area guarantees a zero byte ends the name even in a short file.
    std::array<uint8_t, 80> head{};
    const size_t start = in_.Position();
    in_.ReadSome(head.data(), 79);
    if (head[0] != 0xFF || head[1] != 10 || head[2] != 0) ThrowFormat();
    size_t nameLength = 0;
    while (head[3 + nameLength] != 0) ++nameLength;
    // A file shorter than its header leaves the reader at the end; the next read fails.
    in_.Seek(start + 10 + nameLength);
}

void ObjectReader::ReadRootObject(Persistent& root) {
    uint8_t signature[4];
    in_.Read(signature, sizeof signature);
    if (std::memcmp(signature, "TPF0", 4) != 0) ThrowFormat();
    if (in_.Remaining() > 0 && PeekTag() >= static_cast<ValueTag>(0xF0)) {
        const uint8_t prefix = in_.ReadU8();
        if (prefix & 2) ReadInteger(); // the child position: nothing of ours uses it
    }
    ReadShortString(); // class name: the caller knows what it reads into
    ReadShortString(); // object name: not used by our roots
    ReadProperties(root);
    // Our files hold no child objects; a stream that announces one is not ours.
    if (in_.ReadU8() != 0) ThrowFormat();
}

// --- ObjectReader: property records -------------------------------------------------------

void ObjectReader::ReadProperties(Persistent& object) {
    while (PeekTag() != ValueTag::Null) ReadProperty(object);
    in_.ReadU8();
}

void ObjectReader::ReadProperty(Persistent& object) {
    // A failure to read the name itself has no path to report and passes unchanged.
    const std::string path = ReadShortString();
    try {
        Persistent* target = &object;
        std::string_view rest = path;
        for (size_t dot = rest.find('.'); dot != std::string_view::npos; dot = rest.find('.')) {
            target = target->ObjectProperty(rest.substr(0, dot));
            if (!target) throw EReadError(std::string(kInvalidPropertyPath));
            rest.remove_prefix(dot + 1);
        }
        target->ReadProperty(rest, *this);
    } catch (Error& e) {
        e.SetMessage(Format(kErrorReading, {object.ReaderName(), ".", path, e.Message()}));
        throw;
    }
}

// --- ObjectReader: values -----------------------------------------------------------------

ValueTag ObjectReader::PeekTag() {
    if (in_.Remaining() < 1) ThrowRead();
    const uint8_t tag = in_.ReadU8();
    in_.Seek(in_.Position() - 1);
    return static_cast<ValueTag>(tag);
}

ValueTag ObjectReader::ReadTag() {
    return static_cast<ValueTag>(in_.ReadU8());
}

int32_t ObjectReader::ReadInteger() {
    switch (ReadTag()) {
    case ValueTag::Int8:
        return in_.ReadI8();
    case ValueTag::Int16:
        return in_.ReadI16();
    case ValueTag::Int32:
        return in_.ReadI32();
    default:
        ThrowValue();
    }
}

std::string ObjectReader::ReadShortString() {
    const uint8_t n = in_.ReadU8();
    const std::span<const uint8_t> b = in_.ReadSpan(n);
    return std::string(b.begin(), b.end());
}

std::string ObjectReader::ReadWideString() {
    const uint32_t units = in_.ReadU32();
    if (uint64_t{units} * 2 > in_.Remaining()) ThrowRead();
    const std::span<const uint8_t> b = in_.ReadSpan(size_t{units} * 2);
    std::string out;
    out.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        const uint32_t u = LoadU16(&b[2 * i]);
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units) {
            const uint32_t low = LoadU16(&b[2 * i + 2]);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        // A surrogate without its partner has no character to stand for.
        AppendUtf8(out, (u >= 0xD800 && u < 0xE000) ? kReplacement : u);
    }
    return out;
}

std::string ObjectReader::ReadString() {
    switch (ReadTag()) {
    case ValueTag::String:
        return ReadShortString();
    case ValueTag::LString:
    case ValueTag::Utf8String: {
        // Our code page is UTF-8: the bytes of a UTF-8 string are kept as they are.
        const std::span<const uint8_t> b = in_.ReadSpan(in_.ReadU32());
        return std::string(b.begin(), b.end());
    }
    case ValueTag::WString:
        return ReadWideString();
    default:
        ThrowValue();
    }
}

std::string ObjectReader::ReadIdent() {
    switch (ReadTag()) {
    case ValueTag::Ident:
        return ReadShortString();
    case ValueTag::False:
        return "False";
    case ValueTag::True:
        return "True";
    case ValueTag::Nil:
        return "nil";
    default:
        ThrowValue();
    }
}

bool ObjectReader::ReadBoolean() {
    switch (PeekTag()) {
    case ValueTag::False:
        in_.ReadU8();
        return false;
    case ValueTag::True:
        in_.ReadU8();
        return true;
    case ValueTag::Ident: {
        const std::string ident = ReadIdent();
        if (SameName(ident, "False")) return false;
        if (SameName(ident, "True")) return true;
        ThrowValue();
    }
    default:
        in_.ReadU8();
        ThrowValue();
    }
}

std::span<const uint8_t> ObjectReader::ReadBinarySpan() {
    if (ReadTag() != ValueTag::Binary) ThrowValue();
    return in_.ReadSpan(in_.ReadU32());
}

std::vector<uint8_t> ObjectReader::ReadBinary() {
    const std::span<const uint8_t> b = ReadBinarySpan();
    return std::vector<uint8_t>(b.begin(), b.end());
}

// --- ObjectReader: collections and skipping -----------------------------------------------

ObjectReader::DepthGuard::DepthGuard(int& depth) : depth_(depth) {
    if (depth_ >= kMaxDepth) ThrowValue();
    ++depth_;
}

namespace {

bool IsIntegerTag(ValueTag t) {
    return t == ValueTag::Int8 || t == ValueTag::Int16 || t == ValueTag::Int32;
}

} // namespace

void ObjectReader::ReadCollection(const std::function<void()>& clear,
                                  const std::function<Persistent&()>& addItem) {
    if (ReadTag() != ValueTag::Collection) ThrowValue();
    const DepthGuard guard(depth_);
    if (PeekTag() != ValueTag::Null) clear();
    while (PeekTag() != ValueTag::Null) {
        if (IsIntegerTag(PeekTag())) ReadInteger(); // an item index, not needed
        // The item exists before its tag is checked, so a bad one stays in the list.
        Persistent& item = addItem();
        if (ReadTag() != ValueTag::List) ThrowValue();
        ReadProperties(item);
    }
    in_.ReadU8();
}

void ObjectReader::SkipCollectionBody() {
    while (PeekTag() != ValueTag::Null) {
        if (IsIntegerTag(PeekTag())) ReadInteger();
        if (ReadTag() != ValueTag::List) ThrowValue();
        while (PeekTag() != ValueTag::Null) {
            ReadShortString();
            SkipValue();
        }
        in_.ReadU8();
    }
    in_.ReadU8();
}

void ObjectReader::SkipValue() {
    switch (ReadTag()) {
    case ValueTag::Null:
    case ValueTag::False:
    case ValueTag::True:
    case ValueTag::Nil:
        return;
    case ValueTag::List: {
        const DepthGuard guard(depth_);
        while (PeekTag() != ValueTag::Null) SkipValue();
        in_.ReadU8();
        return;
    }
    case ValueTag::Int8:
        in_.Skip(1);
        return;
    case ValueTag::Int16:
        in_.Skip(2);
        return;
    case ValueTag::Int32:
    case ValueTag::Single:
        in_.Skip(4);
        return;
    case ValueTag::Extended:
        in_.Skip(10);
        return;
    case ValueTag::Currency:
    case ValueTag::Date:
    case ValueTag::Int64:
        in_.Skip(8);
        return;
    case ValueTag::String:
    case ValueTag::Ident:
        in_.Skip(in_.ReadU8());
        return;
    case ValueTag::Binary:
    case ValueTag::LString:
    case ValueTag::Utf8String:
        in_.Skip(in_.ReadU32());
        return;
    case ValueTag::WString: {
        const uint64_t bytes = uint64_t{in_.ReadU32()} * 2;
        if (bytes > in_.Remaining()) ThrowRead();
        in_.Skip(static_cast<size_t>(bytes));
        return;
    }
    case ValueTag::Set:
        // Element names until an empty one.
        for (uint8_t n = in_.ReadU8(); n != 0; n = in_.ReadU8()) in_.Skip(n);
        return;
    case ValueTag::Collection: {
        const DepthGuard guard(depth_);
        SkipCollectionBody();
        return;
    }
    }
    ThrowValue();
}

} // namespace vl::container
