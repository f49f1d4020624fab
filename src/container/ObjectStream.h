// SPDX-License-Identifier: GPL-3.0-or-later
// ObjectStream: reader and writer of the resource header and the tagged object stream
// that bank files and picture files share.
//
// Index:
//   - errors (EReadError, EFOpenError) and the reader's message texts
//   - ByteReader: bounded reads over bytes in memory or a file; ReadWholeFile
//   - ValueTag: the value tags as they stand in the stream
//   - Persistent: what an object must offer to be filled by the reader
//   - ObjectReader: resource header, root object, property records, collections
//   - ObjectWriter: the same layers, as our writers put them
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "container/Error.h"

namespace vl::container {

// The stream layer's failures. The message texts are fixed.
class EReadError : public Error {
public:
    using Error::Error;
};
// A file that cannot be opened: "Cannot open file "%s". %s" (absolute path, reason).
class EFOpenError : public Error {
public:
    using Error::Error;
};
// A value our writer cannot put into the format (a name longer than a short string).
class EWriteError : public Error {
public:
    using Error::Error;
};

inline constexpr std::string_view kStreamReadError = "Stream read error";
inline constexpr std::string_view kInvalidStreamFormat = "Invalid stream format";
inline constexpr std::string_view kInvalidPropertyValue = "Invalid property value";
inline constexpr std::string_view kPropertyDoesNotExist = "Property %s does not exist";
inline constexpr std::string_view kInvalidPropertyPath = "Invalid property path";
inline constexpr std::string_view kErrorReading = "Error reading %s%s%s: %s";
inline constexpr std::string_view kCannotOpenFile = "Cannot open file \"%s\". %s";

class InputFile;

// Bounded reads from bytes in memory (held elsewhere; the caller keeps them alive) or from
// a file. A file is read in pieces as far as the reads ask, never as a whole: a length
// that reaches past the end fails before anything is read or allocated for it.
class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> data) : window_(data), size_(data.size()) {}
    // Reads `file` from its start; the caller keeps the file open while reading.
    explicit ByteReader(InputFile& file);

    size_t Position() const { return pos_; }
    size_t Size() const { return size_; }
    size_t Remaining() const { return size_ - pos_; }
    void Seek(size_t pos) { pos_ = pos < size_ ? pos : size_; } // clamps to Size()
    // Reads exactly n bytes or throws EReadError(kStreamReadError).
    void Read(void* dst, size_t n);
    // Reads up to n bytes; returns how many were there.
    size_t ReadSome(void* dst, size_t n);
    uint8_t ReadU8() { return *Need(1); }
    int8_t ReadI8() { return static_cast<int8_t>(ReadU8()); }
    uint16_t ReadU16();
    int16_t ReadI16() { return static_cast<int16_t>(ReadU16()); }
    uint32_t ReadU32();
    int32_t ReadI32() { return static_cast<int32_t>(ReadU32()); }
    // Returns the next n bytes without copying them out, or throws kStreamReadError.
    // Over memory the view lasts as long as the bytes; over a file it lasts until the
    // next read, seek or skip of this reader.
    std::span<const uint8_t> ReadSpan(size_t n);
    // Skips n bytes, or throws kStreamReadError when fewer remain.
    void Skip(size_t n);

private:
    // The n bytes at the position, in the window; throws kStreamReadError when fewer
    // remain. Advances the position past them.
    const uint8_t* Need(size_t n) {
        const size_t at = pos_ - base_;
        if (pos_ >= base_ && at <= window_.size() && n <= window_.size() - at) {
            const uint8_t* p = window_.data() + at;
            pos_ += n;
            return p;
        }
        return Refill(n);
    }
    // Need's slow path: reads the next piece of the file into the window.
    const uint8_t* Refill(size_t n);

    std::span<const uint8_t> window_; // bytes [base_, base_ + window_.size()) of the stream
    size_t base_ = 0;
    size_t pos_ = 0;
    size_t size_ = 0;
    InputFile* file_ = nullptr;  // null: everything is in the window
    std::vector<uint8_t> piece_; // what the window shows when reading a file
};

// The whole file at `path`, taken exactly as given, opened as InputFile opens it. Throws
// EFOpenError(kCannotOpenFile) with the absolute path and the reason.
std::vector<uint8_t> ReadWholeFile(const std::string& path);

enum class ValueTag : uint8_t {
    Null = 0,
    List = 1,
    Int8 = 2,
    Int16 = 3,
    Int32 = 4,
    Extended = 5,
    String = 6,
    Ident = 7,
    False = 8,
    True = 9,
    Binary = 10,
    Set = 11,
    LString = 12,
    Nil = 13,
    Collection = 14,
    Single = 15,
    Currency = 16,
    Date = 17,
    WString = 18,
    Int64 = 19,
    Utf8String = 20,
};

class ObjectReader;

// An object the reader fills with property records.
class Persistent {
public:
    virtual ~Persistent() = default;
    // The name in "Error reading %s..." messages: the object's class name for the
    // roots and collection items of our files (they carry no component name).
    virtual std::string ReaderName() const = 0;
    // A path part before a dot. Returns the object-valued property `name`; returns
    // nullptr when `name` is a property whose value is not an object (the reader then
    // fails with kInvalidPropertyPath); throws kPropertyDoesNotExist when there is none.
    virtual Persistent* ObjectProperty(std::string_view name) = 0;
    // The last part of a path: reads the property's value through `reader`. Throws
    // EReadError(kPropertyDoesNotExist) for a name the object does not have, and
    // kInvalidPropertyValue for a value of a kind the property does not accept.
    virtual void ReadProperty(std::string_view name, ObjectReader& reader) = 0;
};

// Case-insensitive comparison of property names (ASCII letters only).
bool SameName(std::string_view a, std::string_view b);

class ObjectReader {
public:
    explicit ObjectReader(ByteReader& in) : in_(in) {}

    // The resource header: marker 0xFF, type 10, a zero-terminated name (at most 75
    // bytes), flags and length (ignored). Throws kInvalidStreamFormat; leaves the
    // reader at the object stream.
    void ReadResourceHeader();

    // Signature "TPF0" (else kInvalidStreamFormat), optional prefix, class name and
    // object name, then the root's property records until a zero byte and the child
    // list, which must be empty: our files hold no child objects, so a stream that
    // announces one fails with kInvalidStreamFormat. Property failures are wrapped with
    // kErrorReading and the root's ReaderName(), keeping the error's class.
    void ReadRootObject(Persistent& root);

    // Reads property records into `object` until a zero byte (and consumes it).
    void ReadProperties(Persistent& object);

    // Values, for use inside Persistent::ReadProperty. Each reads the tag and payload
    // and throws kInvalidPropertyValue for a tag it does not accept.
    ValueTag PeekTag();
    ValueTag ReadTag();
    int32_t ReadInteger();                     // tags 2, 3, 4
    std::string ReadString();                  // tags 6, 12, 18, 20 (wide/UTF-8 converted to UTF-8)
    bool ReadBoolean();                        // tags 8, 9, or 7 with False/True
    std::string ReadIdent();                   // tag 7 (also 8, 9, 13 as False/True/nil)
    std::vector<uint8_t> ReadBinary();         // tag 10
    std::span<const uint8_t> ReadBinarySpan(); // tag 10, without copying
    // A collection value (tag 14): when the byte after the tag is not 0, calls clear();
    // then for each item: an optional integer (dropped), addItem() for the new item, tag 1
    // (else kInvalidPropertyValue, the new item staying), its properties read into it.
    // Collections nested deeper than kMaxDepth fail with kInvalidPropertyValue.
    void ReadCollection(const std::function<void()>& clear,
                        const std::function<Persistent&()>& addItem);
    // Skips one value of any tag, lists and collections included (nested at most
    // kMaxDepth deep, else kInvalidPropertyValue). An unknown tag: kInvalidPropertyValue.
    void SkipValue();

    // How deep collections and lists may nest before the stream counts as hostile.
    static constexpr int kMaxDepth = 64;

    ByteReader& Bytes() { return in_; }

private:
    // Counts one level of nesting for as long as it lives; throws past kMaxDepth.
    class DepthGuard {
    public:
        explicit DepthGuard(int& depth);
        ~DepthGuard() { --depth_; }
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;

    private:
        int& depth_;
    };

    std::string ReadShortString();
    std::string ReadWideString();
    void ReadProperty(Persistent& object);
    void SkipCollectionBody();
    ByteReader& in_;
    int depth_ = 0;
};

// Writes files in the same layers: resource header (flags 0x1030, stream length),
// "TPF0", no prefix, strings as tag 6 (tag 12 when longer than 255 bytes), booleans
// as tags 8/9, integers with the smallest tag that holds them.
class ObjectWriter {
public:
    ObjectWriter(std::string_view className, std::string_view objectName);

    void WriteInteger(std::string_view name, int32_t value);
    void WriteString(std::string_view name, std::string_view value);
    void WriteBoolean(std::string_view name, bool value);
    void WriteIdent(std::string_view name, std::string_view ident);
    void WriteBinary(std::string_view name, std::span<const uint8_t> bytes);
    void BeginCollection(std::string_view name);
    void BeginItem();
    void EndItem();
    void EndCollection();

    // Closes the root (property list and child list) and returns the whole file:
    // resource header with `resourceName` (at most 75 bytes, no zero byte), then the
    // object stream. Call it once. Throws EWriteError for a resource name that does not
    // fit; names and identifiers longer than 255 bytes throw EWriteError when written.
    std::vector<uint8_t> Finish(std::string_view resourceName);

    // Raw access for tests that need malformed streams.
    std::vector<uint8_t>& Raw() { return out_; }

private:
    void WriteShortString(std::string_view s);
    std::vector<uint8_t> out_;
};

} // namespace vl::container
