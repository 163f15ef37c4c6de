#pragma once

#include "common/text.h"
#include "session.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace qmk::cli {

// qmk10 diff A B [--json]: the differences between two command files.
int diff(const ProgramDir& home, const std::string& before, const std::string& after, bool json,
         std::ostream& out, std::ostream& err);

// qmk10 conflicts [FILE] [--json]: the spoken forms that collide in the parsed file.
int conflicts(Session& session, bool json, std::ostream& out);

// qmk10 restore ARCHIVE [FILE] --pick NAME [--program P] [--scope S] --list NAME.
struct RestoreOptions {
    std::string archive;
    std::vector<std::string> picks;
    std::vector<std::string> lists;
    std::string program{kGlobalCommands};
    std::string scope;
    std::string onDuplicate = "ask";
};
int restore(Session& session, const RestoreOptions& options, std::ostream& out);

} // namespace qmk::cli
