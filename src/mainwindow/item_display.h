#pragma once

#include "format/record.h"
#include "format/rich_text.h"
#include "store/database.h"
#include "store/user_row.h"

#include <filesystem>
#include <optional>
#include <string>

namespace qmk {

inline constexpr const char* kNothingToShow = "Nothing to show";
inline constexpr const char* kNoLongerAvailable =
    "This command is no longer available.\r\n\r\nIt has likely been renamed or deleted.";
inline constexpr const char* kPickSomethingElse =
    "Please pick a different Program, Scope, View, or Group";
inline constexpr const char* kEncryptedBody =
    "This command has been encrypted, and cannot be edited";

// What the item view shows for the selected line, and which operations it offers.
struct ItemView {
    std::string program, scope, group, type, description, activeStates, body;
    bool typeIsList = false; // the Type field on red
    bool bodyLocked = true;
    bool modifyEnabled = false, editEnabled = false, cloneEnabled = false;
    bool commandMenuEnabled = false;
    bool convertToPlainEnabled = false, convertToAdvancedEnabled = false;
    bool showGraphicVisible = false;
    bool notAvailable = false;
    std::optional<UserRow> row; // the item as shown, before any edit
    // A Find match to highlight in the body: start and length in characters.
    std::optional<std::pair<std::size_t, std::size_t>> highlight;
};

// What an empty tab shows: no item, and the way to make one still open.
ItemView emptyTabItem();

// The item (program, scope, name) as the window shows it. `english`: the user's language is
// English (only then is Convert to Advanced Scripting offered).
ItemView showItem(Database& store, const std::string& program, const std::string& scope,
                  const std::string& name, bool english);

// The body of a found row as shown: backslashes undoubled where the file doubled them, the
// Text and Graphics placeholder, the encrypted message.
std::string shownBody(const UserRow& row);

// LISTs, and KEYS commands of a file not named mycmds.dat, hold their backslashes doubled.
bool doublesBackslashes(ItemType type, const std::string& filename);
// Whether `row`'s body is shown with its backslashes undoubled: only when that reads back
// exactly (every run of backslashes in it is doubled).
bool showsUndoubled(const UserRow& row);
// The body to write for what the user typed: the inverse of `shownBody`, so that a body shown
// and saved unchanged is written back byte for byte, and a saved body shows as it was typed.
// `doubling`: the item's type doubles backslashes; `shownUndoubled`: its body was shown so.
std::string bodyToStore(const std::string& typed, bool doubling, bool shownUndoubled);

// The window shows a body with one line break where the file has CR LF (or a lone CR or LF),
// and hands typed text back with CR LF: these two conversions are the only ones between them.
std::string bodyForDisplay(const std::string& body);
std::string bodyFromDisplay(const std::string& shown);

// The rich text of a Text and Graphics command, run by run: the counted string at its
// `offsetbody` in the command file; nullopt when the file no longer holds one there.
std::optional<std::vector<RichRun>> formattedBody(const std::filesystem::path& commandFile,
                                                  std::int64_t offsetbody);

// Names of the Scopes in a `states` field ("3,7,"), joined by ",".
std::string activeStates(Database& store, const std::string& states);

} // namespace qmk
