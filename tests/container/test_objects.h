// SPDX-License-Identifier: GPL-3.0-or-later
// test_objects: a small object model the container tests read streams into — an item
// with scalar properties, one object-valued property and a nested collection.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "container/ObjectStream.h"

namespace vl::container::testing {

class TestItem;

// The object behind the dotted path "Wave.WAVE".
class TestWave : public Persistent {
public:
    std::string ReaderName() const override { return "TWave"; }
    Persistent* ObjectProperty(std::string_view name) override {
        if (SameName(name, "WAVE")) return nullptr;
        throw EReadError(Format(kPropertyDoesNotExist, {name}));
    }
    void ReadProperty(std::string_view name, ObjectReader& reader) override {
        if (!SameName(name, "WAVE")) throw EReadError(Format(kPropertyDoesNotExist, {name}));
        bytes = reader.ReadBinary();
    }
    std::vector<uint8_t> bytes;
};

class TestItem : public Persistent {
public:
    explicit TestItem(std::string readerName = "TTestItem") : readerName_(std::move(readerName)) {}
    std::string ReaderName() const override { return readerName_; }
    Persistent* ObjectProperty(std::string_view name) override {
        if (SameName(name, "Wave")) return &wave;
        if (SameName(name, "Name") || SameName(name, "Looped") || SameName(name, "Count") ||
            SameName(name, "Kind") || SameName(name, "List") || SameName(name, "Skipped"))
            return nullptr;
        throw EReadError(Format(kPropertyDoesNotExist, {name}));
    }
    void ReadProperty(std::string_view name, ObjectReader& reader) override {
        if (SameName(name, "Name")) {
            this->name = reader.ReadString();
        } else if (SameName(name, "Looped")) {
            looped = reader.ReadBoolean();
        } else if (SameName(name, "Count")) {
            count = reader.ReadInteger();
        } else if (SameName(name, "Kind")) {
            kind = reader.ReadIdent();
        } else if (SameName(name, "Skipped")) {
            reader.SkipValue();
            ++skipped;
        } else if (SameName(name, "List")) {
            reader.ReadCollection(
                [this] {
                    items.clear();
                    ++clears;
                },
                [this]() -> Persistent& {
                    items.push_back(std::make_unique<TestItem>("TTestChild"));
                    return *items.back();
                });
        } else {
            throw EReadError(Format(kPropertyDoesNotExist, {name}));
        }
    }

    std::string name;
    bool looped = false;
    int32_t count = 0;
    std::string kind;
    int skipped = 0;
    int clears = 0;
    TestWave wave;
    std::vector<std::unique_ptr<TestItem>> items;

private:
    std::string readerName_;
};

// Reads a whole file (header and root) into `root`.
inline void ReadFile(const std::vector<uint8_t>& file, Persistent& root) {
    ByteReader in(file);
    ObjectReader reader(in);
    reader.ReadResourceHeader();
    reader.ReadRootObject(root);
}

// The message of the vl::Error that `f` throws, or "" when it throws none.
template <class F> std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.Message();
    }
    return "";
}

} // namespace vl::container::testing
