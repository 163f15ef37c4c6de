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

// What the window does after a tool besides showing its outcome: the Group a rename made, "All
// groups" after a delete by Group, the exported file opened when the user asks.
struct Followed {
    Outcome outcome{};
    std::string newGroup{};
    bool allGroups = false;
    std::filesystem::path exported{};
};

Followed run(const ToolsContext& c, ToolMode mode, const ReportRequest& request,
             const std::string& entry) {
    switch (mode) {
    case ToolMode::Export: {
        auto exported = actions::exportSelected(c, request, entry, actions::ExistingTarget::Ask);
        return {.outcome = exported, .exported = exported.written};
    }
    case ToolMode::RenameGroup: {
        auto renamed = actions::renameGroup(c, request, entry);
        return {.outcome = renamed, .newGroup = renamed.renamedTo};
    }
    case ToolMode::RenameProgram:
        return {.outcome = actions::renameProgram(c, request, entry)};
    case ToolMode::Delete: {
        auto deleted = actions::deleteSelected(c, request);
        return {.outcome = deleted, .allGroups = deleted.byGroup};
    }
    case ToolMode::DvcToPlainText:
        return {.outcome = actions::convertDvcs(c, request, WalkOperation::DvcToPlainText)};
    case ToolMode::DvcToSendKeys:
        return {.outcome = actions::convertDvcs(c, request, WalkOperation::DvcToSendKeys)};
    case ToolMode::DvcToSendDragonKeys:
        return {.outcome = actions::convertDvcs(c, request, WalkOperation::DvcToSendDragonKeys)};
    case ToolMode::SearchAndReplace:
        break;
    }
    // Search and replace steps through its matches in a dialog of its own.
    return {.outcome =
                Outcome::refused("Search and Replace has no single action", "Search/Replace")};
}

} // namespace

ToolsOutcome runTool(const ToolsContext& c, ToolMode mode, const ReportRequest& request,
                     const std::string& entry) {
    const auto [outcome, newGroup, allGroups, exported] = run(c, mode, request, entry);
    showOutcome(c.prompt, outcome);
    ToolsOutcome tools;
    // A refusal or a cancel keeps the dialog open; after an external change it must start again.
    tools.done = outcome.code == Outcome::Code::Done || outcome.code == Outcome::Code::Failed ||
                 outcome.code == Outcome::Code::Stale;
    tools.fileChanged = outcome.done() && outcome.fileChanged;
    tools.readAgain = outcome.code == Outcome::Code::Stale;
    tools.newGroup = newGroup;
    tools.allGroups = allGroups;
    if (outcome.done() && !exported.empty() &&
        c.prompt.ask("Would you like to Open this Exported file?:", utf8Of(exported),
                     Prompt::Buttons::YesNo) == Prompt::Answer::Yes)
        tools.openExported = exported;
    return tools;
}

} // namespace qmk
