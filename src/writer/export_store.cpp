#include "writer/export_store.h"

#include "common/text.h"
#include "format/codepage.h"

#include <functional>

namespace qmk {

namespace {

// The global Program keeps its case in the store; every other Program is upper-cased.
bool isGlobal(std::string_view program) {
    return program == kGlobalCommands;
}

std::size_t mix(std::size_t seed, std::size_t value) {
    return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

} // namespace

std::size_t ExportStore::Hash::operator()(const ExportKey& key) const {
    std::size_t program = isGlobal(key.program) ? 1 : 0;
    for (const char c : key.program)
        program = program * 131 + static_cast<unsigned char>(codepage::toUpper(c));
    const std::hash<std::string_view> text;
    return mix(mix(program, text(key.scope)), text(key.name));
}

bool ExportStore::Equal::operator()(const ExportKey& a, const ExportKey& b) const {
    if (a.scope != b.scope || a.name != b.name || a.program.size() != b.program.size() ||
        isGlobal(a.program) != isGlobal(b.program))
        return false;
    for (std::size_t i = 0; i < a.program.size(); ++i)
        if (codepage::toUpper(a.program[i]) != codepage::toUpper(b.program[i]))
            return false;
    return true;
}

std::size_t ExportStore::add(const ExportKey& key, ExportEntry entry, bool& added) {
    const auto [at, inserted] = first_.try_emplace(key, entries_.size());
    added = inserted;
    if (inserted)
        entries_.push_back(entry);
    return at->second;
}

std::size_t ExportStore::find(const ExportKey& key) const {
    const auto found = first_.find(key);
    return found == first_.end() ? kNone : found->second;
}

} // namespace qmk
