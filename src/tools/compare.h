#pragma once

#include "tools/command_set.h"

#include <string>
#include <vector>

namespace qmk {

// One difference between two command sets. Items are keyed by Program, Scope and name (a LIST
// by its name alone), the name without regard to case, as Dragon hears it; items a file holds
// twice under one key are paired in file order.
struct Difference {
    enum class Kind { Added, Removed, Changed };
    Kind kind = Kind::Changed;
    const SetItem* before = nullptr; // in the first set; none when added
    const SetItem* after = nullptr;  // in the second set; none when removed
    // What changed: "name" (its case), "description", "group", "type", "body", "items",
    // "states".
    std::vector<std::string> fields;

    const SetItem& item() const { return after ? *after : *before; }
};

// The differences from `before` to `after`, in the order of `after`'s items, then the removed
// ones in the order of `before`'s.
std::vector<Difference> compareSets(const CommandSet& before, const CommandSet& after);

// "+ command  Program | Scope | name", "~ LIST  colors: items", ...
std::string differenceLine(const Difference& difference);
// "3 added, 1 removed, 2 changed", or "no differences".
std::string differenceSummary(const std::vector<Difference>& differences);

} // namespace qmk
