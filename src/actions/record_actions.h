#pragma once

#include "actions/operation_context.h"
#include "common/outcome.h"
#include "store/user_row.h"
#include "writer/new_records.h"
#include "writer/record_edits.h"

#include <optional>
#include <string>

namespace qmk::actions {

// Operations on one command or LIST, each writing the command file in place. Success carries no
// message: the window shows the change itself.

// Why the body of `row` may not be edited nor the command cloned: it is encrypted, or of a type
// whose body the program shows as text but does not write (Text and Graphics, Macro Recorder,
// Step by Step).
std::optional<Outcome> readOnlyRefusal(const UserRow& row);

// The changes of one Save.
struct ItemChanges {
    std::optional<std::string> body; // as typed; its line ends are normalised here
    std::optional<Conversion> conversion;
    std::optional<std::string> description;
    std::optional<std::string> group; // empty is "User-defined"
};
// Saves the changes as one edit: however many writes it takes, the backup holds the file as it
// was before the first, and a step that fails puts that file back.
Outcome saveItem(const OperationContext& session, const UserRow& row, const ItemChanges& changes);

// A new name for a command or LIST (the LIST-name characters for a LIST); a LIST that commands
// name is renamed only after the user's Yes.
Outcome renameItem(const OperationContext& session, const UserRow& row, const std::string& newName);

// Deletes one command or LIST after the user's Yes; a LIST that commands name only after a
// second Yes. LISTs no remaining command names go with a deleted command.
Outcome deleteItem(const OperationContext& session, const UserRow& row);

// A KEYS command's body as an Advanced Script (done: its `message` is the script), or why it
// cannot be one.
Outcome keysAsAdvancedScript(const UserRow& row);
// A key string made a script of one SendKeys (or, with `dragonKeys`, SendDragonKeys) statement:
// done, its `message` is the script; refused, it says why (a character the file cannot hold, a
// key string that does not convert).
Outcome keysToScript(const std::string& keys, bool dragonKeys);
// Key strings become SendKeys scripts for English users only.
std::optional<Outcome> englishOnlyRefusal(const std::string& language);
// A KEYS command made Plain Text or an Advanced Script, in one edit.
Outcome convertKeys(const OperationContext& session, const UserRow& row, Conversion conversion);

// Where a new command goes: `model` is the command it sits beside (its program and window
// identification are copied); without one, only Global Commands takes a first command.
std::optional<Outcome> placementRefusal(const NewCommand& command,
                                        const std::optional<UserRow>& model);
// The same check as a front end makes it when the user asks for a new command: the first
// Global Command of a file is made only after the user's OK. Nothing when the command may go
// there.
std::optional<Outcome> placementCheck(const OperationContext& session, const NewCommand& command,
                                      const std::optional<UserRow>& model);
Outcome createCommand(const OperationContext& session, NewCommand command,
                      const std::optional<UserRow>& model);
Outcome createList(const OperationContext& session, const std::string& name,
                   const std::string& items);

} // namespace qmk::actions
