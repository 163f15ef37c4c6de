#pragma once

#include "common/program_dir.h"
#include "common/prompt.h"
#include "store/database.h"
#include "tools/reports.h"
#include "writer/export_dat.h"
#include "writer/update_engine.h"

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace qmk {

// The tools dialog's modes: "dat", "group", "program", "delete", "dvc2plain", "dvc2vba",
// "dvc2sdk" ("replace" is search and replace).
struct ToolsCaptions {
    std::string caption, action, entry;
};
// The export's duplicate prompt, titled "Overwrite?", for a command already in `target`.
DuplicateQuestion duplicatePrompt(Prompt& prompt, std::string target, std::string source);

ToolsCaptions toolsCaptions(const std::string& mode, const std::filesystem::path& exportFile);

// The counts beside the four choices (all, Program, Group, Scope), each right-aligned in five
// characters.
std::array<std::string, 4> toolsCounts(Database& store, const std::string& program,
                                       const std::string& scope, const std::string& group);

// The commands of the current Program and Scope the View shows, for picking.
std::vector<std::string> toolsPickList(Database& store, const std::string& program,
                                       const std::string& scope,
                                       const std::function<bool(const UserRow&)>& shown);

// What the tools dialog needs of the window and the session.
struct ToolsContext {
    Database& store;
    UpdateEngine& engine;
    Prompt& prompt;
    ProgramDir home;
    std::filesystem::path commandFile;
    bool productionFile = false;           // the open file is the current user's own
    std::string language;                  // the open file's language name
    ReportOutlets outlets;                 // the View filter
    std::function<bool()> changedBehindUs; // the external-change check
    std::function<void()> rollBackCheck;   // before every write
    std::function<void(const std::string&)> progress;
    DuplicateQuestion duplicates; // the export's duplicate prompt
};

// What the action came to.
struct ToolsOutcome {
    bool done = false;                  // the operation ran (the dialog closes)
    bool fileChanged = false;           // the command file was written: the save cycle must follow
    std::filesystem::path openExported; // "dat": the user asked to open the exported file
    std::string newGroup;               // "group": the window's new current Group
    bool allGroups = false;             // "delete" by Group: the window goes to "All groups"
};

ToolsOutcome runTool(const ToolsContext& context, const std::string& mode,
                     const ReportRequest& request, const std::string& entry);

} // namespace qmk
