#pragma once

#include "common/program_dir.h"

#include <filesystem>
#include <functional>
#include <string>

namespace qmk {

// Where the program's own data files are (key names, help pages, the demo user):
// $QUILLMARK10_DATA; else share/quillmark10 beside the installed program's bin folder; else the
// data folder of the source tree the program was built from.
std::filesystem::path dataFolder();

// Sets up the program's directory as an installer would: the key-name table, the command store,
// the supplied command files and the help pages. What is there is kept, but the help pages,
// which a newer program brings anew. `said` hears one line per file ("created ...", "kept
// ..."); false, with `error` set, when a file cannot be written.
bool setUpProgramDirectory(const ProgramDir& home,
                           const std::function<void(const std::string&)>& said, std::string& error);

// Whether the program's directory has been set up: its command store is there.
bool programDirectoryReady(const ProgramDir& home);

} // namespace qmk
