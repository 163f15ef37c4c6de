#pragma once

#include "session.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace qmk::cli {

// The selection and texts of the whole-file commands.
struct BulkOptions {
    bool all = false;
    std::optional<std::string> program;
    std::optional<std::string> scope;
    std::optional<std::string> group;
    std::vector<std::string> picks;
    std::string view = "KSATPRXL";
    std::string to;
    std::string list;
    bool append = false;
    bool overwrite = false;
    std::string onDuplicate = "ask";
};

enum class BulkCommand {
    Delete,
    DeleteList,
    RenameGroup,
    RenameProgram,
    Convert,
    Language,
    Export,
    Dvc,
};

int runBulk(BulkCommand command, const BulkOptions& options, Session& session, std::ostream& out);

} // namespace qmk::cli
