// SPDX-License-Identifier: GPL-3.0-or-later
// HashCollection: an ordered collection of named items with a 256-chain name index,
// shared by the sound bank and the picture list.
//
// Index:
//   - EListError and its message
//   - LowerName, BankItemHash, SameNameIgnoringCase: how names are keyed and compared
//   - THashCollectionItem: an item that keeps itself in its collection's name index
//   - THashCollection: the items in order and the index that Find walks
//
// Names are lower-cased with a fixed table rather than the process locale, so that a
// bank finds the same items on every machine: ASCII A-Z, and the upper-case letters of
// Latin-1 (U+00C0-U+00DE, except U+00D7) and of Latin Extended-A (U+0100-U+017F, which
// holds every Latin-2 letter: Č, Ř, Š, Ž, Ů, Ł, ...) written as UTF-8. U+0130 (İ) is kept,
// because its lower case is one byte shorter. Every other byte is kept as it is, so a
// lower-cased name always has the byte length of the original.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "container/Error.h"

namespace vl::container {

// An index outside a collection.
class EListError : public Error {
public:
    using Error::Error;
};
inline constexpr std::string_view kListIndexError = "List index out of bounds (%d)";

// The name lower-cased as described at the top of this file; same byte length.
std::string LowerName(std::string_view name);
// Writes LowerName(name) into out[0 .. name.size()); `out` must have that much room.
void LowerNameInto(std::string_view name, char* out);

// Chain number of `name` in the name index: with the name lower-cased, 16 x its byte
// length, plus its first byte and its second-to-last byte when it has two or more,
// mod 256. "" -> 0, any one-letter name -> 16, "mainmenusp" -> 128.
uint8_t BankItemHash(std::string_view name);

// Equality of two names after LowerName.
bool SameNameIgnoringCase(std::string_view a, std::string_view b);

class THashCollection;

// An item of a THashCollection. It is linked into its chain from its creation on (with
// the empty name, chain 0), moves to the head of its new chain whenever its name is set,
// and leaves the index when it is destroyed.
class THashCollectionItem {
public:
    explicit THashCollectionItem(THashCollection& collection);
    virtual ~THashCollectionItem();
    THashCollectionItem(const THashCollectionItem&) = delete;
    THashCollectionItem& operator=(const THashCollectionItem&) = delete;

    THashCollection& Collection() const { return *collection_; }
    const std::string& Name() const { return name_; }
    // Renames the item and puts it at the head of its chain, also when the name is
    // unchanged: the most recently named item wins a lookup among equal names.
    void SetName(std::string name);
    // The item's position in its collection (the stored index the name index returns).
    int32_t Index() const { return index_; }

private:
    friend class THashCollection;
    void Link();
    void Unlink();

    THashCollection* collection_;
    std::string name_;
    std::string key_; // LowerName(name_), compared by Find
    int32_t index_ = -1;
    uint8_t chain_ = 0;
    bool linked_ = false;
    THashCollectionItem* prev_ = nullptr; // towards the chain's head
    THashCollectionItem* next_ = nullptr;
};

// The items in order (index 0 upward) and the name index. Derived collections decide
// which item class they add; the collection owns every item it holds.
class THashCollection {
public:
    THashCollection() = default;
    virtual ~THashCollection();
    THashCollection(const THashCollection&) = delete;
    THashCollection& operator=(const THashCollection&) = delete;

    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    // Item `index`; throws EListError(kListIndexError) outside 0 .. Count() - 1.
    THashCollectionItem& ItemAt(int32_t index) const;
    // The item whose name equals `name` ignoring letter case, the most recently named
    // one among equals; nullptr when there is none. Allocates nothing for names up to
    // 64 bytes.
    THashCollectionItem* FindItem(std::string_view name) const;
    // The head of chain `chain` and the item after `item` in its chain (nullptr at the
    // end): for tests and tools that show how names are spread.
    const THashCollectionItem* ChainHead(uint8_t chain) const { return heads_[chain]; }
    static const THashCollectionItem* ChainNext(const THashCollectionItem& item) {
        return item.next_;
    }

protected:
    // Appends `item`, which must have been made for this collection; returns it.
    THashCollectionItem& AddItem(std::unique_ptr<THashCollectionItem> item);
    // Destroys item `index`; the items after it move down one place.
    void DeleteItem(int32_t index);
    // Destroys every item, last first.
    void ClearItems();

private:
    friend class THashCollectionItem;
    std::vector<std::unique_ptr<THashCollectionItem>> items_;
    std::array<THashCollectionItem*, 256> heads_{};
};

} // namespace vl::container
