// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: arbitrary bytes as a resource file into the object-stream reader. The root
// accepts every property: a name "List" (any case) reads as a collection of such objects,
// a name starting with "O" resolves as an object path, other names take their value by
// kind (strings, integers, booleans, identifiers, byte blocks) or skip it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "container/ObjectStream.h"

namespace {

using vl::container::ObjectReader;
using vl::container::Persistent;
using vl::container::SameName;
using vl::container::ValueTag;

class Generic : public Persistent {
public:
    std::string ReaderName() const override { return "TGeneric"; }
    Persistent* ObjectProperty(std::string_view name) override {
        if (!name.empty() && (name[0] == 'O' || name[0] == 'o')) {
            if (!child_) child_ = std::make_unique<Generic>();
            return child_.get();
        }
        if (!name.empty() && name[0] == 'N') return nullptr; // "Invalid property path"
        throw vl::container::EReadError(vl::Format(vl::container::kPropertyDoesNotExist, {name}));
    }
    void ReadProperty(std::string_view name, ObjectReader& reader) override {
        if (SameName(name, "List")) {
            reader.ReadCollection([this] { items_.clear(); },
                                  [this]() -> Persistent& {
                                      items_.push_back(std::make_unique<Generic>());
                                      return *items_.back();
                                  });
            return;
        }
        switch (reader.PeekTag()) {
        case ValueTag::String:
        case ValueTag::LString:
        case ValueTag::WString:
        case ValueTag::Utf8String:
            reader.ReadString();
            return;
        case ValueTag::Int8:
        case ValueTag::Int16:
        case ValueTag::Int32:
            reader.ReadInteger();
            return;
        case ValueTag::False:
        case ValueTag::True:
            reader.ReadBoolean();
            return;
        case ValueTag::Ident:
            reader.ReadIdent();
            return;
        case ValueTag::Binary:
            reader.ReadBinary();
            return;
        default:
            reader.SkipValue();
            return;
        }
    }

private:
    std::unique_ptr<Generic> child_;
    std::vector<std::unique_ptr<Generic>> items_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vl::container::ByteReader in(std::span<const uint8_t>(data, size));
    ObjectReader reader(in);
    Generic root;
    try {
        reader.ReadResourceHeader();
        reader.ReadRootObject(root);
    } catch (const vl::Error&) {
    }
    return 0;
}
