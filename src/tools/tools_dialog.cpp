#include "tools/tools_dialog.h"

#include "common/text.h"
#include "format/codepage.h"
#include "store/parameters.h"
#include "store/schema.h"
#include "store/statements.h"
#include "writer/rebuilds.h"

#include <cstdio>

namespace qmk {

namespace {

using Choice = ReportRequest::Choice;

std::string fiveWide(std::int64_t count) {
    char text[16];
    std::snprintf(text, sizeof text, "%5lld", static_cast<long long>(count));
    return text;
}

bool endsWithIgnoringCase(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && lower(text.substr(text.size() - tail.size())) == tail;
}

// A write's result: the failure shown, or the report of success.
bool reported(const ToolsContext& c, const EditResult& result, const std::string& done,
              const std::string& title) {
    if (!result.ok) {
        c.prompt.message(result.message, result.title);
        return false;
    }
    c.prompt.message(done, title);
    return true;
}

ToolsOutcome exportTo(const ToolsContext& c, std::string target) {
    ToolsOutcome outcome;
    if (lower(target) == lower(c.commandFile.string())) {
        c.prompt.message("Can't export to self", target);
        return outcome;
    }
    const auto folder = std::filesystem::path(target).parent_path();
    if (!std::filesystem::is_directory(folder)) {
        c.prompt.message("Folder does not exist", folder.string());
        return outcome;
    }
    if (!endsWithIgnoringCase(target, ".dat")) {
        target += ".dat";
        if (!Prompt::goesOn(
                c.prompt.ask("Appending .dat to your filename", target, Prompt::Buttons::OkCancel)))
            return outcome;
    }
    Parameters parameters(c.store);
    if (parameters.get(Parameters::Text::exportPath) != folder.string())
        parameters.set(Parameters::Text::exportPath, folder.string());
    auto mode = ExportMode::NewFile;
    if (std::filesystem::exists(target)) {
        const auto choice = c.prompt.choose("The Export file already exists:\r\n" + target +
                                                "\r\nChoose action below",
                                            "Export", {"&Overwrite", "&Append", "&Cancel"});
        if (choice == 2)
            return outcome;
        mode = choice == 0 ? ExportMode::Overwrite : ExportMode::Append;
    }
    const auto result = exportCommands(c.engine, target, mode, c.duplicates);
    outcome.done = true;
    if (!result.result.ok) {
        c.prompt.message(result.result.message, result.result.title);
        return outcome;
    }
    c.prompt.message("Export Operation Completed", target);
    if (c.prompt.ask("Would you like to Open this Exported file?:", target,
                     Prompt::Buttons::YesNo) == Prompt::Answer::Yes)
        outcome.openExported = target;
    return outcome;
}

} // namespace

DuplicateQuestion duplicatePrompt(Prompt& prompt, std::string target, std::string source) {
    return
        [&prompt, target = std::move(target), source = std::move(source)](const std::string& name) {
            const std::string crlf(kCrLf);
            const auto choice = prompt.choose(
                "The following command already exists in:" + crlf + target + crlf + name + crlf +
                    "Overwrite? with command from:" + crlf + source,
                "Overwrite?", {"&Yes", "No", "Ye&s to all", "N&o to all", "&Cancel Export"});
            return static_cast<DuplicateAnswer>(choice);
        };
}

ToolsCaptions toolsCaptions(const std::string& mode, const std::filesystem::path& exportFile) {
    if (mode == "dat")
        return {"Export to .dat", "Export", exportFile.string()};
    if (mode == "group")
        return {"Rename Group", "Rename Group", "Enter new Group here"};
    if (mode == "program")
        return {"Rename Program", "Rename Program", "Enter new Program here"};
    if (mode == "delete")
        return {"Delete", "Delete", ""};
    if (mode == "dvc2plain")
        return {"Convert DVC to Plain Text", "Convert", ""};
    if (mode == "dvc2vba")
        return {"Convert DVC to Advanced Scripting w/SendKeys", "Convert", ""};
    if (mode == "dvc2sdk")
        return {"Convert DVC to Advanced Scripting w/SendDragonKeys", "Convert", ""};
    return {"Search/Replace", "Replace", ""};
}

std::array<std::string, 4> toolsCounts(Database& store, const std::string& program,
                                       const std::string& scope, const std::string& group) {
    const auto count = [&](const std::string& where, std::vector<std::string> values) {
        auto select = store.prepare("SELECT count(*) FROM user WHERE Type <> 'L'" + where);
        for (std::size_t i = 0; i < values.size(); ++i)
            select.bind(static_cast<int>(i) + 1, values[i]);
        select.step();
        return fiveWide(select.integer(0));
    };
    return {count("", {}), count(" AND menu = ?", {program}),
            group == kAllGroups ? count("", {}) : count(" AND owner = ?", {group}),
            count(" AND menu = ? AND state = ?", {program, scope})};
}

std::vector<std::string> toolsPickList(Database& store, const std::string& program,
                                       const std::string& scope,
                                       const std::function<bool(const UserRow&)>& shown) {
    auto select = store.prepare("SELECT name, Type, owner FROM user WHERE menu = ? AND state = ? "
                                "AND Type <> 'L' ORDER BY ID");
    select.bind(1, program).bind(2, scope);
    std::vector<std::string> names;
    while (select.step()) {
        UserRow row;
        row.menu = program;
        row.state = scope;
        row.name = select.text(0);
        row.Type = select.text(1);
        row.owner = select.text(2);
        if (shown(row))
            names.push_back(row.name);
    }
    return names;
}

ToolsOutcome runTool(const ToolsContext& c, const std::string& mode, const ReportRequest& request,
                     const std::string& entry) {
    ToolsOutcome outcome;
    if (c.changedBehindUs()) {
        c.prompt.message("You have modified this file (most likely with Command Browser) after "
                         "\r\nthis operation has started. You must restart the operation,\r\n"
                         "otherwise a corrupted file may result",
                         c.commandFile.string());
        c.progress("CBModified");
        outcome.done = true;
        return outcome;
    }
    if (mode == "dvc2vba" && c.language != "English") {
        c.prompt.message("Sorry, this command is only supported for English Language Users",
                         "Contact Tarnwell if you are interested in a non-English User");
        return outcome;
    }
    if (selectRows(c.store, request, c.outlets, c.prompt, "Nothing is selected to act on") == 0)
        return outcome;
    if (mode == "dat")
        return exportTo(c, entry);
    if (mode == "group" || mode == "program") {
        const bool group = mode == "group";
        if (entry == (group ? "Enter new Group here" : "Enter new Program here") || entry.empty()) {
            c.prompt.message(group ? "No New Group Name entered" : "No New Program entered",
                             toolsCaptions(mode, {}).caption);
            return outcome;
        }
        if (!group && c.productionFile &&
            (request.choice == Choice::All || request.choice == Choice::Group)) {
            c.prompt.message("Rename Program not allowed on production file with All or Group",
                             "Rename Program");
            return outcome;
        }
        std::string name = entry;
        if (!group && endsWithIgnoringCase(name, ".exe"))
            name.resize(name.size() - 4);
        const auto newText = encodeForFile(name, group ? "The new Group" : "The new Program",
                                           group ? kOwnerWidth : kMenuWidth);
        const auto oldGroup = encodeForFile(request.group, "The Group", kOwnerWidth);
        if (newText.refusal || oldGroup.refusal) {
            const auto& refusal = newText.refusal ? *newText.refusal : *oldGroup.refusal;
            c.prompt.message(refusal.message, refusal.title);
            return outcome;
        }
        c.progress(group ? "Renaming Group" : "Renaming Program");
        c.rollBackCheck();
        outcome.done = true;
        const auto result =
            RenameGroup(c.engine, {group ? WalkOperation::Group : WalkOperation::Program,
                                   group ? oldGroup.bytes : std::string(), newText.bytes});
        outcome.fileChanged =
            reported(c, result, group ? "Group renamed" : "Program Renamed",
                     group ? request.group + "->" + name : std::string("Rename Program"));
        if (group && outcome.fileChanged)
            outcome.newGroup = name;
        return outcome;
    }
    if (mode == "delete") {
        c.progress("Deleting");
        c.rollBackCheck();
        outcome.done = true;
        outcome.fileChanged = reported(c, deletethem(c.engine), "Deletion Completed", "Delete");
        outcome.allGroups = request.choice == Choice::Group;
        return outcome;
    }
    const std::pair<const char*, WalkOperation> conversions[] = {
        {"dvc2plain", WalkOperation::Dvc2Plain},
        {"dvc2vba", WalkOperation::Dvc2Vba},
        {"dvc2sdk", WalkOperation::Dvc2Sdk}};
    for (const auto& [name, operation] : conversions) {
        if (mode != name)
            continue;
        c.progress(operation == WalkOperation::Dvc2Plain ? "Converting DVCs to Plain Text"
                   : operation == WalkOperation::Dvc2Vba
                       ? "Converting DVCs to Advanced Scripting"
                       : "Converting DVCs to Advanced Scripting w/SendDragonKeys");
        c.rollBackCheck();
        outcome.done = true;
        const auto conversion = convertDvc(c.engine, operation);
        const std::string title =
            "See " + conversion.logName + " for complete details of converted commands";
        outcome.fileChanged = reported(c, conversion.result,
                                       operation == WalkOperation::Dvc2Plain
                                           ? " Conversion of DVCs to Plain Text Complete"
                                           : " Conversion of DVCs to Advanced Scripting Complete",
                                       title);
        if (outcome.fileChanged && conversion.notConverted)
            c.prompt.message("Some macros were not converted--Please send to Tarnwell", title);
        return outcome;
    }
    return outcome;
}

} // namespace qmk
