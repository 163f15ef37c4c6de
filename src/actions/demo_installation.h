#pragma once

#include "common/file_io.h"
#include "common/outcome.h"
#include "common/program_dir.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace qmk::actions {

// The first line of a demo's nssystem.ini: only an installation that starts with it is the demo's.
inline constexpr const char* kDemoInstallationMark =
    "; a demonstration installation made by qmk10 demo-setup";

// Where a demonstration Dragon installation goes: the folder for all users' application data and
// the user's own.
struct DemoFolders {
    std::filesystem::path common;
    std::filesystem::path perUser;
};

// Lays out a simulated Dragon 10 installation with one user whose command file is a copy of
// `demoCommands`. A real installation is never written over: it is refused and nothing is
// touched. A demo user's existing command file is kept, and `followUp` says so. Each file is
// written whole or not at all.
Outcome installDemo(const DemoFolders& folders, const std::string& user,
                    const std::filesystem::path& demoCommands, FileOps& files = FileOps::system());

// Where Dragon's own installation would be: the system's folders for all users' and the user's
// application data; nullopt when the system names none.
std::optional<DemoFolders> systemDemoFolders();

// The demo user's command file the program ships.
std::filesystem::path shippedDemoCommands();

// Sets up the program's folder as an installer would; `said` hears a line per file. Refused,
// saying why, when a file cannot be written.
Outcome setUpProgramFolder(const ProgramDir& home,
                           const std::function<void(const std::string&)>& said);

} // namespace qmk::actions
