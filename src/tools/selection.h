#pragma once

#include "common/text.h"
#include "store/database.h"

#include <optional>
#include <string>
#include <vector>

namespace qmk {

// Which commands a bulk operation acts on: all, a Program (and Scope), a Group, or names picked
// within a Program and Scope; narrowed to the types the View shows.
struct Selection {
    bool all = false;
    std::optional<std::string> program; // as the store holds it
    std::optional<std::string> scope;
    std::optional<std::string> group; // "All groups" for every group
    std::vector<std::string> picks;
    std::string view = "KSATPRXL";
};

// Clears `flag` on every row, sets it on the selected commands and narrows it to the View;
// returns the number of rows left marked.
std::int64_t markSelection(Database& store, const Selection& selection);

} // namespace qmk
