#include "tools/compare.h"

#include "common/codepage.h"

#include <map>
#include <tuple>

namespace qmk {

namespace {

using Key = std::tuple<bool, std::string, std::string, std::string>;

Key keyOf(const SetItem& item) {
    const auto folded = codepage::fromUtf8(item.name);
    const auto name = folded.ok ? codepage::toUpper(folded.bytes) : item.name;
    return {item.list, item.program, item.scope, name};
}

std::vector<std::string> changedFields(const SetItem& a, const SetItem& b) {
    std::vector<std::string> fields;
    if (a.name != b.name)
        fields.emplace_back("name");
    if (a.description != b.description)
        fields.emplace_back("description");
    if (!a.list && a.group != b.group)
        fields.emplace_back("group");
    if (a.type != b.type)
        fields.emplace_back("type");
    if (a.body != b.body || a.graphic != b.graphic || a.encrypted != b.encrypted)
        fields.emplace_back(a.list ? "items" : "body");
    if (a.states != b.states)
        fields.emplace_back("states");
    return fields;
}

} // namespace

std::vector<Difference> compareSets(const CommandSet& before, const CommandSet& after) {
    // Each key's items of the first set, taken in file order as the second set's are met.
    std::map<Key, std::vector<const SetItem*>> waiting;
    for (const auto& item : before.items)
        waiting[keyOf(item)].push_back(&item);
    std::map<Key, std::size_t> taken;
    std::vector<Difference> differences;
    for (const auto& item : after.items) {
        const auto key = keyOf(item);
        auto& index = taken[key];
        const auto found = waiting.find(key);
        if (found == waiting.end() || index >= found->second.size()) {
            differences.push_back({Difference::Kind::Added, nullptr, &item, {}});
            continue;
        }
        const auto* old = found->second[index++];
        auto fields = changedFields(*old, item);
        if (!fields.empty())
            differences.push_back({Difference::Kind::Changed, old, &item, std::move(fields)});
    }
    for (const auto& [key, items] : waiting) {
        const auto used = taken.count(key) ? taken[key] : 0;
        for (std::size_t i = used; i < items.size(); ++i)
            differences.push_back({Difference::Kind::Removed, items[i], nullptr, {}});
    }
    return differences;
}

std::string differenceLine(const Difference& d) {
    const auto& item = d.item();
    std::string line = d.kind == Difference::Kind::Added     ? "+ "
                       : d.kind == Difference::Kind::Removed ? "- "
                                                             : "~ ";
    line += item.list ? "LIST     " + item.name
                      : "command  " + item.program + " | " + item.scope + " | " + item.name;
    for (std::size_t i = 0; i < d.fields.size(); ++i)
        line += (i == 0 ? ": " : ", ") + d.fields[i];
    return line;
}

std::string differenceSummary(const std::vector<Difference>& differences) {
    int added = 0, removed = 0, changed = 0;
    for (const auto& d : differences)
        (d.kind == Difference::Kind::Added     ? added
         : d.kind == Difference::Kind::Removed ? removed
                                               : changed)++;
    if (differences.empty())
        return "no differences";
    return std::to_string(added) + " added, " + std::to_string(removed) + " removed, " +
           std::to_string(changed) + " changed";
}

} // namespace qmk
