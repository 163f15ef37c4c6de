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

Outcome run(const ToolsContext& c, const std::string& mode, const ReportRequest& request,
            const std::string& entry) {
    if (mode == "dat")
        return actions::exportSelected(c, request, entry, actions::ExistingTarget::Ask);
    if (mode == "group")
        return actions::renameGroup(c, request, entry);
    if (mode == "program")
        return actions::renameProgram(c, request, entry);
    if (mode == "delete")
        return actions::deleteSelected(c, request);
    if (mode == "dvc2plain")
        return actions::convertDvcs(c, request, WalkOperation::DvcToPlainText);
    if (mode == "dvc2vba")
        return actions::convertDvcs(c, request, WalkOperation::DvcToSendKeys);
    return actions::convertDvcs(c, request, WalkOperation::DvcToSendDragonKeys);
}

} // namespace

ToolsOutcome runTool(const ToolsContext& c, const std::string& mode, const ReportRequest& request,
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
