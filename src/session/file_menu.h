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

// The file-open dialog's start: the last file opened while its folder exists, else the file in
// use (`inUse`): a folder that exists and a name its "*.dat" filter shows.
std::filesystem::path openDialogStart(Database& store, const std::filesystem::path& inUse);
// The XML import dialog's start: the export folder remembered while it exists, else the folder
// of the file in use; no name, so that the "*.xml" filter shows the folder's files.
std::filesystem::path xmlImportDialogStart(Database& store, const std::filesystem::path& inUse);

// Empties the store and forgets the user, so that the next start parses afresh; the program
// must then close.
inline constexpr const char* kResetQuestion =
    "Reset empties Quillmark10's command store and ends Quillmark10.\r\nThe store is built again "
    "from your command file at the next start; the command file itself is not changed.\r\n\r\n"
    "Reset now?";
void resetStore(Database& store, Prompt& prompt);

} // namespace qmk
