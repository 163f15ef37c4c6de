#pragma once

#include "actions/operation_context.h"
#include "common/outcome.h"
#include "tools/reports.h"
#include "tools/tools_dialog.h"

#include <string>

namespace qmk {

// What the tools dialog needs of the window and the session.
using ToolsContext = actions::OperationContext;

// The tools dialog's action button for its mode (any but search and replace, which has a
// dialog of its own): the operation runs and its outcome is shown.
struct ToolsOutcome {
    bool done = false;                  // the operation ran (the dialog closes)
    bool fileChanged = false;           // the command file was written: the save cycle must follow
    std::filesystem::path openExported; // Export: the user asked to open the exported file
    std::string newGroup;               // Rename Group: the window's new current Group
    bool allGroups = false;             // Delete by Group: the window goes to "All groups"
    bool readAgain = false;             // the file changed behind the store: it is read again
};

ToolsOutcome runTool(const ToolsContext& context, ToolMode mode, const ReportRequest& request,
                     const std::string& entry);

// An operation's outcome as the window shows it: its message, then any second message.
void showOutcome(Prompt& prompt, const Outcome& outcome);

} // namespace qmk
