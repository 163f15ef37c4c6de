#pragma once

#include "store/user_row.h"
#include "writer/update_engine.h"

#include <string>
#include <string_view>
#include <vector>

namespace qmk {

// The in-place operations on one command or LIST of the command file. Each reads the file anew,
// refuses what cannot be written before writing anything, commits, and shifts the store.

// A new body for a command, or new items (one per line) for a LIST.
Outcome replaceBody(UpdateEngine& engine, const UserRow& row, std::string_view newBody);

// New bodies for many records, written in one pass and committed once: one backup, one atomic
// replace, one shift of the store. A body that cannot be written refuses them all.
struct NewBody {
    UserRow row;
    std::string body;
};
Outcome replaceBodies(UpdateEngine& engine, const std::vector<NewBody>& bodies);

enum class Conversion { ToPlainText, ToAdvancedScript };
Outcome changeType(UpdateEngine& engine, const UserRow& row, Conversion conversion);

// New name (with its LIST references), description and group of a command; a LIST is renamed.
Outcome updateDetails(UpdateEngine& engine, const UserRow& row, std::string_view newName,
                      std::string_view description, std::string_view group);
Outcome renameList(UpdateEngine& engine, const UserRow& row, std::string_view newName);

} // namespace qmk
