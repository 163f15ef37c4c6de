#pragma once

#include "store/user_row.h"

#include <iosfwd>
#include <map>
#include <string>
#include <vector>

namespace qmk::cli {

// State names by `states` row ID, to spell out a row's `states` list.
using StateNames = std::map<std::int64_t, std::string>;

void printRowsText(std::ostream& out, const std::vector<UserRow>& rows);
void printRowsCsv(std::ostream& out, const std::vector<UserRow>& rows);
// One array of objects keyed by the `user` column names, plus `statenames`.
void printRowsJson(std::ostream& out, const std::vector<UserRow>& rows, const StateNames& names);

} // namespace qmk::cli
