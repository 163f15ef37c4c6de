#pragma once

#include "common/program_dir.h"
#include "session.h"

#include <filesystem>
#include <iosfwd>
#include <string>

namespace qmk::cli {

// Creates a simulated Dragon installation with one user whose command file is the demo user's,
// and prints the environment that points Quillmark10 at it as `export NAME=VALUE` lines.
int demoSetup(const ProgramDir& home, std::filesystem::path folder, const std::string& user,
              std::ostream& out, std::ostream& err);

// The manual backup of the current user's command file.
int backup(Session& session, std::ostream& out);
// The current user's archives of this month, or the restore of one of them.
int rollback(Session& session, const std::string& archive, std::ostream& out);

// The save cycle's merge: SOURCE merged into the parsed file through the merge tool, then the
// file parsed again and verified.
int merge(Session& session, const std::string& source, std::ostream& out);

// What the Dragon environment discovery found, as text or JSON.
int whoami(Session& session, bool json, std::ostream& out);

} // namespace qmk::cli
