#pragma once

#include "actions/command_run.h"

#include <iosfwd>
#include <map>
#include <string>
#include <vector>

namespace qmk::cli {

// State names by `states` row ID, to spell out a row's `states` list.
using StateNames = std::map<std::int64_t, std::string>;

// Each prints every row in `ID` order as it reads it.
void printRowsText(std::ostream& out, UserTable& rows);
void printRowsCsv(std::ostream& out, UserTable& rows);
// One array of objects keyed by the `user` column names, plus `statenames`.
void printRowsJson(std::ostream& out, UserTable& rows, const StateNames& names);

} // namespace qmk::cli
