#pragma once

#include "common/program_dir.h"
#include "common/prompt.h"
#include "common/trace.h"
#include "loader/parser.h"
#include "session/backups.h"
#include "store/database.h"

#include <filesystem>
#include <optional>
#include <string>

namespace qmk {

// What opening another command file came to.
struct OpenedFile {
    bool opened = false;
    // Neither the file nor the one shown before it parsed: the user was told, the program ends.
    bool endProgram = false;
    // The Dragon user whose own command file it is: the rollback menu names them.
    std::optional<std::string> rollbackUser;
};

// Opens `file` in place of `current`, the one shown: remembered as `openfile`, the store
// emptied and the file parsed afresh. A missing file is only reported; a file that does not
// parse is reported with the error log's place, and `current` is read back into the store.
OpenedFile openCommandFile(const std::filesystem::path& file, Parser& parser, Database& store,
                           const Backups& backups, Prompt& prompt, Trace& trace,
                           const ProgramDir& home, const std::filesystem::path& current);

// The file-open dialog's start: the folder and name of the last file opened, else "c:\" and
// "mycmds.dat".
std::filesystem::path openDialogStart(Database& store);

// Empties the store and forgets the user, so that the next start parses afresh; the program
// must then close.
inline constexpr const char* kResetQuestion =
    "Reset empties Quillmark10's command store and ends Quillmark10.\r\nThe store is built again "
    "from your command file at the next start; the command file itself is not changed.\r\n\r\n"
    "Reset now?";
void resetStore(Database& store, Prompt& prompt);

} // namespace qmk
