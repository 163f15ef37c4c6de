#pragma once

#include "session.h"
#include "writer/export_dat.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace qmk::cli {

// The export's duplicate question: answered by --on-duplicate, or asked with its five buttons.
DuplicateQuestion duplicateQuestion(Prompt& prompt, const std::string& onDuplicate,
                                    const std::string& target, const std::string& source);

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
    std::string mode = "txt"; // report
    std::string out;
    std::string search; // replace and find
    std::string replace;
    std::string in = "name";
    bool matchCase = false;
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
    Report,
    Replace,
    Find,
};

int runBulk(BulkCommand command, const BulkOptions& options, Session& session, std::ostream& out);

} // namespace qmk::cli
