#include "writer/export_store.h"

#include "common/codepage.h"
#include "common/text.h"

#include <algorithm>
#include <functional>

namespace qmk {

namespace {

// The global Program keeps its case in the store; every other Program is upper-cased.
bool isGlobal(std::string_view program) {
    return program == kGlobalCommands;
}

// By name alone, so that a slot can be fetched as soon as a record's name is read; names a file
// holds under several Programs or Scopes share a run of slots, told apart by the whole key.
std::uint32_t keyHash(std::string_view name) {
    return static_cast<std::uint32_t>(std::hash<std::string_view>{}(name));
}

bool sameKey(const ExportKey& a, const ExportKey& b) {
    if (a.scope != b.scope || a.name != b.name || a.program.size() != b.program.size() ||
        isGlobal(a.program) != isGlobal(b.program))
        return false;
    for (std::size_t i = 0; i < a.program.size(); ++i)
        if (codepage::toUpper(a.program[i]) != codepage::toUpper(b.program[i]))
            return false;
    return true;
}

} // namespace

void ExportStore::prefetch(std::string_view name) const {
    if (!slots_.empty())
        __builtin_prefetch(&slots_[keyHash(name) & (slots_.size() - 1)]);
}

void ExportStore::reserve(std::size_t rows) {
    entries_.reserve(rows);
    keys_.reserve(rows);
    std::size_t slots = 16;
    while (slots < 2 * rows)
        slots *= 2;
    if (slots > slots_.size())
        grow(slots);
}

void ExportStore::grow(std::size_t slots) {
    std::vector<Slot> old(slots, Slot{});
    old.swap(slots_);
    for (const auto& slot : old)
        if (slot.row != kFree)
            slots_[slotOf(keys_[slot.row], slot.hash)] = slot;
}

std::size_t ExportStore::slotOf(const ExportKey& key, std::uint32_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const auto& slot = slots_[i];
        if (slot.row == kFree || (slot.hash == hash && sameKey(keys_[slot.row], key)))
            return i;
    }
}

std::size_t ExportStore::add(const ExportKey& key, ExportEntry entry, bool& added) {
    if (2 * (keys_.size() + 1) > slots_.size())
        grow(std::max<std::size_t>(16, 2 * slots_.size()));
    const auto hash = keyHash(key.name);
    auto& slot = slots_[slotOf(key, hash)];
    added = slot.row == kFree;
    if (!added)
        return slot.row;
    slot = {hash, static_cast<std::uint32_t>(entries_.size())};
    entries_.push_back(entry);
    keys_.push_back(key);
    return slot.row;
}

std::size_t ExportStore::find(const ExportKey& key) const {
    if (slots_.empty())
        return kNone;
    const auto row = slots_[slotOf(key, keyHash(key.name))].row;
    return row == kFree ? kNone : row;
}

} // namespace qmk
