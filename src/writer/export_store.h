#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qmk {

// One row of the export store: a command or LIST record of the target.
struct ExportEntry {
    std::string_view type; // the store `Type` letter
    bool list = false;
    bool flag = false;      // an old copy, replaced by a newer one
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
// export. Kept in memory, so that an export of every command costs little more than the walk.
class ExportStore {
public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // Row adding: a row whose key is there already is not added. Returns the row holding the
    // key: the new one, or the one that was there (then `added` is false).
    std::size_t add(const ExportKey& key, ExportEntry entry, bool& added);
    // A new copy of a command that replaces one held: added even though its key is there.
    void addCopy(ExportEntry entry) { entries_.push_back(entry); }
    // The first row with this key, or kNone.
    std::size_t find(const ExportKey& key) const;
    ExportEntry& at(std::size_t row) { return entries_[row]; }

private:
    struct Hash {
        std::size_t operator()(const ExportKey& key) const;
    };
    struct Equal {
        bool operator()(const ExportKey& a, const ExportKey& b) const;
    };
    std::vector<ExportEntry> entries_;
    std::unordered_map<ExportKey, std::size_t, Hash, Equal> first_;
};

} // namespace qmk
