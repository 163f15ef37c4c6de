#include "tools/tools_dialog.h"

#include "common/codepage.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "store/parameters.h"
#include "store/places.h"
#include "store/schema.h"
#include "store/statements.h"

#include <cstdio>

namespace qmk {

namespace {

std::string fiveWide(std::int64_t count) {
    char text[16];
    std::snprintf(text, sizeof text, "%5lld", static_cast<long long>(count));
    return text;
}

// The question for a command already in `target`: replace it with the one from `source`?
DuplicateQuestion duplicateQuestionFor(Prompt& prompt, std::string target, std::string source,
                                       std::string replaceWith, std::string title,
                                       std::string cancel) {
    return [&prompt, target = std::move(target), source = std::move(source),
            replaceWith = std::move(replaceWith), title = std::move(title),
            cancel = std::move(cancel)](const DuplicateCommand& command) {
        const std::string crlf(kCrLf);
        // The name with its Program and Scope: one file holds the name in many places.
        const auto named = command.name + "   (" + command.program + " | " + command.scope + ")";
        const auto choice =
            prompt.choose("The following command already exists in:" + crlf + target + crlf +
                              named + crlf + replaceWith + crlf + source,
                          title, {"&Yes", "No", "Ye&s to all", "N&o to all", cancel});
        return static_cast<DuplicateAnswer>(choice);
    };
}

} // namespace

DuplicateQuestion duplicatePrompt(Prompt& prompt, std::string target, std::string source) {
    return duplicateQuestionFor(prompt, std::move(target), std::move(source),
                                "Overwrite? with command from:", "Overwrite?", "&Cancel Export");
}

DuplicateQuestion restorePrompt(Prompt& prompt, std::string target, std::string source) {
    return duplicateQuestionFor(prompt, std::move(target), std::move(source),
                                "Replace it with the command from the archive:", "Restore",
                                "&Cancel Restore");
}

ToolsCaptions toolsCaptions(ToolMode mode, const std::filesystem::path& exportFile) {
    switch (mode) {
    case ToolMode::Export:
        return {"Export to .dat", "Export", utf8Of(exportFile)};
    case ToolMode::RenameGroup:
        return {"Rename Group", "Rename Group", "Enter new Group here"};
    case ToolMode::RenameProgram:
        return {"Rename Program", "Rename Program", "Enter new Program here"};
    case ToolMode::Delete:
        return {"Delete", "Delete", ""};
    case ToolMode::DvcToPlainText:
        return {"Convert DVC to Plain Text", "Convert", ""};
    case ToolMode::DvcToSendKeys:
        return {"Convert DVC to Advanced Scripting w/SendKeys", "Convert", ""};
    case ToolMode::DvcToSendDragonKeys:
        return {"Convert DVC to Advanced Scripting w/SendDragonKeys", "Convert", ""};
    case ToolMode::SearchAndReplace:
        break;
    }
    return {"Search/Replace", "Replace", ""};
}

std::filesystem::path exportTargetAtOpening(Database& store, const ProgramDir& home,
                                            const std::string& program) {
    ReportRequest request;
    request.mode = ReportMode::Export;
    request.choice = ReportRequest::Choice::Program;
    request.program = program;
    return defaultReportFile(store, home, request);
}

std::array<std::string, 4> toolsCounts(Database& store, const std::string& program,
                                       const std::string& scope, const std::string& group) {
    const auto all = statements::countCommands(store);
    return {fiveWide(all), fiveWide(statements::countCommandsOfProgram(store, program)),
            fiveWide(group == kAllGroups ? all : statements::countCommandsOfGroup(store, group)),
            fiveWide(statements::countCommandsOfScope(store, program, scope))};
}

std::vector<std::string> toolsPickList(Database& store, const std::string& program,
                                       const std::string& scope,
                                       const std::function<bool(const UserRow&)>& shown) {
    std::vector<std::string> names;
    for (const auto& row : places::commandHeadingsInFileOrder(store, program, scope))
        if (shown(row))
            names.push_back(row.name);
    return names;
}

} // namespace qmk
