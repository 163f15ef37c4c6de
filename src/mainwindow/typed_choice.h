#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qmk {

// The entry a name typed into a selector's box stands for: the entry that is the name, else the
// first that starts with it, else the first that holds it, case aside; spoken numbers and
// separators are not part of a name. -1 when none fits (or nothing was typed).
int bestMatch(const std::vector<std::string>& entries, std::string_view typed);

} // namespace qmk
