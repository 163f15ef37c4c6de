#pragma once

#include "format/record.h"
#include "store/user_row.h"

#include <string>

namespace qmk {

// The Program and Scope of a record as read, before the store upper-cases the Program.
struct Location {
    std::string_view program; // Windows-1252 bytes
    std::string_view scope;
    std::string_view scopeLetter;
};
Location locationOf(const CommandRecord& record);

// The `user` row of a command record, texts converted to UTF-8 and derived columns filled.
// `states` is the list of `states` IDs already looked up for the record.
UserRow commandRow(const CommandRecord& record, const std::string& filename, std::string states);
UserRow listRow(const ListRecord& list, const std::string& filename);

} // namespace qmk
