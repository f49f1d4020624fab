// SPDX-License-Identifier: GPL-3.0-or-later
// HashCollection: name keys, the name hash and the 256-chain index of named collections.
#include "container/HashCollection.h"

#include <cstring>

namespace vl::container {

namespace {

// Lower case of a code point of U+00C0..U+017F, or the code point itself when it is no
// upper-case letter there (or its lower case would change the UTF-8 length).
constexpr uint32_t LowerLatin(uint32_t cp) {
    if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 0x20;
    if (cp < 0x100 || cp > 0x17F) return cp;
    if (cp == 0x130) return cp;   // İ lower-cases to the one-byte 'i'
    if (cp == 0x178) return 0xFF; // Ÿ -> ÿ
    // Latin Extended-A pairs an upper-case letter with the code point after it; the
    // parity of the upper-case one flips at U+0139 and back at U+014A and U+0179.
    const bool evenUpper = (cp < 0x138) || (cp >= 0x14A && cp < 0x178);
    if (cp == 0x138 || cp == 0x149 || cp == 0x17F) return cp; // ĸ, ŉ, ſ have no upper
    const bool isEven = (cp % 2) == 0;
    return (isEven == evenUpper) ? cp + 1 : cp;
}

} // namespace

void LowerNameInto(std::string_view name, char* out) {
    const size_t n = name.size();
    for (size_t i = 0; i < n; ++i) {
        const auto b = static_cast<uint8_t>(name[i]);
        if (b >= 'A' && b <= 'Z') {
            out[i] = static_cast<char>(b + 0x20);
            continue;
        }
        // Two-byte sequences C3 xx, C4 xx, C5 xx cover U+00C0..U+017F.
        if (b >= 0xC3 && b <= 0xC5 && i + 1 < n) {
            const auto c = static_cast<uint8_t>(name[i + 1]);
            if ((c & 0xC0) == 0x80) {
                const uint32_t cp = ((b & 0x1Fu) << 6) | (c & 0x3Fu);
                const uint32_t lower = LowerLatin(cp);
                out[i] = static_cast<char>(0xC0 | (lower >> 6));
                out[i + 1] = static_cast<char>(0x80 | (lower & 0x3F));
                ++i;
                continue;
            }
        }
        out[i] = static_cast<char>(b);
    }
}

std::string LowerName(std::string_view name) {
    std::string out(name.size(), '\0');
    LowerNameInto(name, out.data());
    return out;
}

namespace {
uint8_t HashOfLowered(std::string_view lowered) {
    const size_t n = lowered.size();
    uint32_t h = static_cast<uint32_t>(n % 256) * 16u;
    if (n >= 2) {
        h += static_cast<uint8_t>(lowered[0]);
        h += static_cast<uint8_t>(lowered[n - 2]);
    }
    return static_cast<uint8_t>(h % 256);
}
} // namespace

uint8_t BankItemHash(std::string_view name) {
    return HashOfLowered(LowerName(name));
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && LowerName(a) == LowerName(b);
}

// --- THashCollectionItem ---------------------------------------------------------------

THashCollectionItem::THashCollectionItem(THashCollection& collection) : collection_(&collection) {
    Link();
}

THashCollectionItem::~THashCollectionItem() {
    Unlink();
}

void THashCollectionItem::SetName(std::string name) {
    Unlink();
    name_ = std::move(name);
    key_ = LowerName(name_);
    Link();
}

void THashCollectionItem::Link() {
    chain_ = HashOfLowered(key_);
    THashCollectionItem*& head = collection_->heads_[chain_];
    prev_ = nullptr;
    next_ = head;
    if (head) head->prev_ = this;
    head = this;
    linked_ = true;
}

void THashCollectionItem::Unlink() {
    if (!linked_) return;
    if (prev_) {
        prev_->next_ = next_;
    } else {
        collection_->heads_[chain_] = next_;
    }
    if (next_) next_->prev_ = prev_;
    prev_ = next_ = nullptr;
    linked_ = false;
}

// --- THashCollection -------------------------------------------------------------------

THashCollection::~THashCollection() {
    ClearItems();
}

THashCollectionItem& THashCollection::ItemAt(int32_t index) const {
    if (index < 0 || index >= Count()) throw EListError(Format(kListIndexError, {index}));
    return *items_[static_cast<size_t>(index)];
}

THashCollectionItem* THashCollection::FindItem(std::string_view name) const {
    // Lower-case the query once, on the stack for the names a game uses.
    constexpr size_t kLocal = 64;
    char local[kLocal];
    std::string heap;
    char* lowered = local;
    if (name.size() > kLocal) {
        heap.resize(name.size());
        lowered = heap.data();
    }
    LowerNameInto(name, lowered);
    const std::string_view key(lowered, name.size());
    for (THashCollectionItem* item = heads_[HashOfLowered(key)]; item; item = item->next_) {
        if (item->key_.size() == key.size() &&
            std::memcmp(item->key_.data(), key.data(), key.size()) == 0) {
            return item;
        }
    }
    return nullptr;
}

THashCollectionItem& THashCollection::AddItem(std::unique_ptr<THashCollectionItem> item) {
    item->index_ = Count();
    items_.push_back(std::move(item));
    return *items_.back();
}

void THashCollection::DeleteItem(int32_t index) {
    ItemAt(index); // range check
    const auto pos = items_.begin() + index;
    // Take the item out of the list before destroying it, so that its destructor sees
    // a consistent collection.
    std::unique_ptr<THashCollectionItem> doomed = std::move(*pos);
    items_.erase(pos);
    for (size_t i = static_cast<size_t>(index); i < items_.size(); ++i) {
        items_[i]->index_ = static_cast<int32_t>(i);
    }
    doomed.reset();
}

void THashCollection::ClearItems() {
    while (!items_.empty()) {
        std::unique_ptr<THashCollectionItem> doomed = std::move(items_.back());
        items_.pop_back();
        doomed.reset();
    }
}

} // namespace vl::container
