#pragma once

#include "common/item_type.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace qmk {

// One row of the export store: a command or LIST record of the target.
struct ExportEntry {
    ItemType type = ItemType::None;
    bool list = false;
    std::size_t record = 0; // the target command record it stands for
};

// The key the command store gives a row: the Program upper-cased unless it is the global one,
// the Scope and the name, as file bytes. The texts are views into the file images, which
// outlive the export.
struct ExportKey {
    std::string_view program;
    std::string_view scope;
    std::string_view name;
};

// The export store: what the target holds and what the export adds, for the length of one
// export. Kept in memory, so that an export of every command costs little more than the walk:
// the first row of each key is found through an open-addressing table of row numbers.
class ExportStore {
public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // Asks the memory for the slot a row of this name looks at first, so that it is there by
    // the time the rest of the record has been walked.
    void prefetch(std::string_view name) const;
    // Room for this many rows, so that a large export never grows the table.
    void reserve(std::size_t rows);
    // Row adding: a row whose key is there already is not added. Returns the row holding the
    // key: the new one, or the one that was there (then `added` is false).
    std::size_t add(const ExportKey& key, ExportEntry entry, bool& added);
    // The row with this key, or kNone.
    std::size_t find(const ExportKey& key) const;
    ExportEntry& at(std::size_t row) { return entries_[row]; }

private:
    static constexpr std::uint32_t kFree = 0xffffffff;
    // Eight bytes, so that the table of a 60,000-row export stays in the cache.
    struct Slot {
        std::uint32_t hash = 0; // the key's hash, low half
        std::uint32_t row = kFree;
    };
    // The slot holding the key, or the free slot where it would go.
    std::size_t slotOf(const ExportKey& key, std::uint32_t hash) const;
    void grow(std::size_t slots);

    std::vector<ExportEntry> entries_;
    std::vector<ExportKey> keys_; // the key of each row, beside its entry
    std::vector<Slot> slots_;     // a power of two in size, at most half used
};

} // namespace qmk
