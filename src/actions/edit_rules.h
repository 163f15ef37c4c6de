#pragma once

#include "common/outcome.h"
#include "format/layout.h"
#include "store/database.h"
#include "store/places.h"
#include "store/user_row.h"
#include "writer/new_records.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmk {

inline constexpr std::string_view kRefusedName = "*** no good ***";

// The command-name prompt's checks for a new command under (program, scope).
std::optional<Outcome> checkNewCommandName(Database& store, const std::string& program,
                                           const std::string& scope, const std::string& name);
// The LIST-name prompt's checks.
std::optional<Outcome> checkNewListName(Database& store, const std::string& name);
// Rename: the new name must be free under the same Program and Scope.
std::optional<Outcome> checkRename(Database& store, const UserRow& row, const std::string& newName);

// Whether the user's language is English: the language named by the open file's header. Key
// strings become SendKeys scripts for English users only (the window's offer, the conversion of
// one command, and the DVC conversion alike).
bool englishLanguage(std::string_view languageName);

// Save's line ends: every type but Plain Text and KEYS ends with exactly one CR LF.
std::string normaliseLineEnds(std::string body, ItemType type);

// The store's look-ups of one row, which the rules use.
using places::findRow;
using places::firstCommandOf;

// A new command sits beside `model` and copies its program and window identification, read
// again from the command file's record; false when the file cannot be read there.
bool copyIdentification(const std::filesystem::path& commandFile, layout::Generation generation,
                        const UserRow& model, NewCommand& command);

// Commands whose names refer to the LIST, in every Program (for the LIST-in-use question).
std::vector<std::string> commandsUsingList(Database& store, const std::string& listName);
std::string listInUseQuestion(const std::vector<std::string>& users, std::string_view word);

// The LISTs a delete of `rows` takes with it: those no remaining command names.
std::vector<std::string> listsGoingWith(Database& store, const Selection& rows);
// What the delete question says of them ("The LIST cities, which no other command uses, is
// deleted with it."); `it` names what is deleted ("it", "them"). Empty when none goes.
std::string listsGoingNote(const std::vector<std::string>& lists, std::string_view it);

} // namespace qmk
