#pragma once

#include "common/program_dir.h"
#include "common/prompt.h"
#include "store/database.h"
#include "tools/reports.h"
#include "writer/export_dat.h"

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace qmk {

// The tools dialog's modes: the Tools menu's operations on the selected commands.
enum class ToolMode {
    Export,
    RenameGroup,
    RenameProgram,
    Delete,
    DvcToPlainText,
    DvcToSendKeys,
    DvcToSendDragonKeys,
    SearchAndReplace,
};

struct ToolsCaptions {
    std::string caption, action, entry;
};
// The export's duplicate prompt, titled "Overwrite?", for a command already in `target`.
DuplicateQuestion duplicatePrompt(Prompt& prompt, std::string target, std::string source);
// The same question when a restore meets a command already in `target`, titled "Restore".
DuplicateQuestion restorePrompt(Prompt& prompt, std::string target, std::string source);

ToolsCaptions toolsCaptions(ToolMode mode, const std::filesystem::path& exportFile);

// The export's target as the dialog opens: the export folder (the program's directory until one
// is remembered), the current Program, ".dat".
std::filesystem::path exportTargetAtOpening(Database& store, const ProgramDir& home,
                                            const std::string& program);

// The counts beside the four choices (all, Program, Group, Scope), each right-aligned in five
// characters.
std::array<std::string, 4> toolsCounts(Database& store, const std::string& program,
                                       const std::string& scope, const std::string& group);

// The commands of the current Program and Scope the View shows, for picking.
std::vector<std::string> toolsPickList(Database& store, const std::string& program,
                                       const std::string& scope,
                                       const std::function<bool(const UserRow&)>& shown);

} // namespace qmk
