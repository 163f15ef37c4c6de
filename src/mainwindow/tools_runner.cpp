#include "mainwindow/tools_runner.h"

#include "actions/file_actions.h"
#include "common/utf8_path.h"

namespace qmk {

void showOutcome(Prompt& prompt, const Outcome& outcome) {
    if (!outcome.message.empty())
        prompt.notify(outcome.kind(), outcome.message, outcome.title);
    if (!outcome.followUp.empty())
        prompt.message(outcome.followUp, outcome.title);
}

namespace {

Outcome run(const ToolsContext& c, ToolMode mode, const ReportRequest& request,
            const std::string& entry) {
    switch (mode) {
    case ToolMode::Export:
        return actions::exportSelected(c, request, entry, actions::ExistingTarget::Ask);
    case ToolMode::RenameGroup:
        return actions::renameGroup(c, request, entry);
    case ToolMode::RenameProgram:
        return actions::renameProgram(c, request, entry);
    case ToolMode::Delete:
        return actions::deleteSelected(c, request);
    case ToolMode::DvcToPlainText:
        return actions::convertDvcs(c, request, WalkOperation::DvcToPlainText);
    case ToolMode::DvcToSendKeys:
        return actions::convertDvcs(c, request, WalkOperation::DvcToSendKeys);
    case ToolMode::DvcToSendDragonKeys:
        return actions::convertDvcs(c, request, WalkOperation::DvcToSendDragonKeys);
    case ToolMode::SearchAndReplace:
        break;
    }
    // Search and replace steps through its matches in a dialog of its own.
    return Outcome::refused("Search and Replace has no single action", "Search/Replace");
}

} // namespace

ToolsOutcome runTool(const ToolsContext& c, ToolMode mode, const ReportRequest& request,
                     const std::string& entry) {
    const auto outcome = run(c, mode, request, entry);
    showOutcome(c.prompt, outcome);
    ToolsOutcome tools;
    // A refusal or a cancel keeps the dialog open; after an external change it must start again.
    tools.done = outcome.code == Outcome::Code::Done || outcome.code == Outcome::Code::Failed ||
                 outcome.code == Outcome::Code::Stale;
    tools.fileChanged = outcome.done() && outcome.fileChanged;
    tools.readAgain = outcome.code == Outcome::Code::Stale;
    tools.newGroup = outcome.newGroup;
    tools.allGroups = outcome.allGroups;
    if (outcome.done() && !outcome.exportedFile.empty() &&
        c.prompt.ask("Would you like to Open this Exported file?:", utf8Of(outcome.exportedFile),
                     Prompt::Buttons::YesNo) == Prompt::Answer::Yes)
        tools.openExported = outcome.exportedFile;
    return tools;
}

} // namespace qmk
