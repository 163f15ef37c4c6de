#include "actions/file_actions.h"

#include "actions/edit_rules.h"
#include "actions/record_actions.h"
#include "common/codepage.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "store/parameters.h"
#include "store/schema.h"
#include "store/statements.h"
#include "writer/guarded_write.h"
#include "writer/rebuilds.h"

#include <algorithm>

namespace qmk::actions {

namespace {

namespace fs = std::filesystem;
using Choice = ReportRequest::Choice;

bool endsWithIgnoringCase(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           codepage::toUpper(text.substr(text.size() - tail.size())) == codepage::toUpper(tail);
}

// The write is about to start: its progress text, then the day's archive.
void beginWrite(const OperationContext& s, const std::string& progress) {
    if (s.progress)
        s.progress(progress);
    if (s.archiveBeforeWrite)
        s.archiveBeforeWrite();
}

Outcome written(const Outcome& result, std::string done, std::string title) {
    if (!result.done())
        return Outcome::failed(result.message, result.title);
    return Outcome::success(std::move(done), std::move(title));
}

// A text on its way into a fixed-width field of the file, or the refusal.
std::optional<Outcome> refusedText(const EncodedText& text) {
    if (!text.refusal)
        return std::nullopt;
    return Outcome::refused(text.refusal->message, text.refusal->title);
}

} // namespace

std::optional<Outcome> refusedBeforeSelection(const OperationContext& s) {
    if (!s.changedBehindUs || !s.changedBehindUs())
        return std::nullopt;
    if (s.progress)
        s.progress("CBModified");
    auto stale = Outcome::refused(kChangedBehindUs, utf8Of(s.commandFile));
    stale.code = Outcome::Code::Stale;
    return stale;
}

ChosenRows selectForTool(const OperationContext& s, const ReportRequest& selection) {
    if (auto refusal = refusedBeforeSelection(s))
        return {*refusal, {}};
    return selectRows(s.store, selection, s.outlets, "Nothing is selected to act on");
}

Outcome startSearch(const OperationContext& s, const ReportRequest& selection,
                    SearchReplace& search) {
    const auto chosen = selectForTool(s, selection);
    if (!chosen.outcome.done())
        return chosen.outcome;
    if (s.archiveBeforeWrite)
        s.archiveBeforeWrite();
    search.start(chosen.rows);
    return chosen.outcome;
}

DeleteOutcome deleteSelected(const OperationContext& s, const ReportRequest& selection) {
    const auto chosen = selectForTool(s, selection);
    if (!chosen.outcome.done())
        return chosen.outcome;
    // LISTs that only the deleted commands used go with them: said before anything is written.
    if (const auto going = listsGoingNote(listsGoingWith(s.store, chosen.rows), "them");
        !going.empty() && s.prompt.ask("Delete the " + std::to_string(chosen.rows.size()) +
                                           " selected commands?" + "\r\n\r\n" + going,
                                       "Delete", Prompt::Buttons::YesNo) != Prompt::Answer::Yes)
        return Outcome::cancelled();
    beginWrite(s, "Deleting");
    DeleteOutcome outcome =
        written(deleteCommands(s.engine, chosen.rows), "Deletion Completed", "Delete");
    outcome.byGroup = outcome.done() && selection.choice == Choice::Group;
    return outcome;
}

namespace {

// The Groups a rename took commands from, as its result's title names them ("All groups" is a
// choice, not a Group); past three, how many more.
std::string renamedGroups(Database& store, const Selection& rows) {
    std::vector<std::string> groups;
    statements::forEachRow(store, rows, [&](const UserRow& row) {
        if (row.type == ItemType::List)
            return true; // a LIST has no Group of its own
        if (std::find(groups.begin(), groups.end(), row.group) == groups.end())
            groups.push_back(row.group); // the store names the empty Group "User-defined"
        return true;
    });
    std::sort(groups.begin(), groups.end());
    return namesInSentence(groups, 3);
}

} // namespace

GroupRenameOutcome renameGroup(const OperationContext& s, const ReportRequest& selection,
                               const std::string& newGroup) {
    if (newGroup.empty() || newGroup == "Enter new Group here")
        return Outcome::refused("No New Group Name entered", "Rename Group");
    const auto newText = encodeText(newGroup, "The new Group", kGroupWidth);
    const auto oldText = encodeForFile(selection.group, "The Group", kGroupWidth);
    if (auto refusal = refusedText(newText))
        return *refusal;
    if (auto refusal = refusedText(oldText))
        return *refusal;
    const auto chosen = selectForTool(s, selection);
    if (!chosen.outcome.done())
        return chosen.outcome;
    const auto from = renamedGroups(s.store, chosen.rows); // read before the rename
    beginWrite(s, "Renaming Group");
    GroupRenameOutcome outcome =
        written(renameGroupsOrPrograms(s.engine, chosen.rows,
                                       {WalkOperation::Group, oldText.bytes, newText.bytes}),
                "Group renamed", from + "->" + newGroup);
    if (outcome.done())
        outcome.renamedTo = newGroup;
    return outcome;
}

Outcome renameProgram(const OperationContext& s, const ReportRequest& selection,
                      const std::string& newProgram) {
    if (newProgram.empty() || newProgram == "Enter new Program here")
        return Outcome::refused("No New Program entered", "Rename Program");
    if (s.productionFile && (selection.choice == Choice::All || selection.choice == Choice::Group))
        return Outcome::refused("Rename Program not allowed on production file with All or Group",
                                "Rename Program");
    std::string program = newProgram;
    if (endsWithIgnoringCase(program, ".exe"))
        program.resize(program.size() - 4);
    // ".exe" alone, or blanks: no Program is left to rename to.
    if (std::string(trimBlanks(program)).empty())
        return Outcome::refused("No New Program entered", "Rename Program");
    const auto newText = encodeText(program, "The new Program", kProgramWidth);
    if (auto refusal = refusedText(newText))
        return *refusal;
    const auto chosen = selectForTool(s, selection);
    if (!chosen.outcome.done())
        return chosen.outcome;
    beginWrite(s, "Renaming Program");
    return written(
        renameGroupsOrPrograms(s.engine, chosen.rows, {WalkOperation::Program, {}, newText.bytes}),
        "Program Renamed", "Rename Program");
}

std::optional<Outcome> dvcConversionRefusal(const std::string& language, WalkOperation operation) {
    if (operation != WalkOperation::DvcToSendKeys)
        return std::nullopt;
    return englishOnlyRefusal(language);
}

Outcome convertDvcs(const OperationContext& s, const ReportRequest& selection,
                    WalkOperation operation) {
    if (auto refusal = refusedBeforeSelection(s))
        return *refusal;
    if (auto refusal = dvcConversionRefusal(s.language, operation))
        return *refusal;
    const auto chosen = selectForTool(s, selection);
    if (!chosen.outcome.done())
        return chosen.outcome;
    const bool toPlain = operation == WalkOperation::DvcToPlainText;
    beginWrite(s, toPlain ? "Converting DVCs to Plain Text"
                  : operation == WalkOperation::DvcToSendKeys
                      ? "Converting DVCs to Advanced Scripting"
                      : "Converting DVCs to Advanced Scripting w/SendDragonKeys");
    const auto conversion = convertDvc(s.engine, chosen.rows, operation);
    auto outcome =
        written(conversion.result,
                toPlain ? " Conversion of DVCs to Plain Text Complete"
                        : " Conversion of DVCs to Advanced Scripting Complete",
                "See " + conversion.logName + " for complete details of converted commands");
    if (outcome.done() && conversion.notConverted)
        outcome.followUp = "Some macros were not converted--Please send to Tarnwell";
    return outcome;
}

std::string exportTargetFile(std::string target) {
    if (!endsWithIgnoringCase(utf8Of(pathFromUtf8(target).filename()), ".dat"))
        target += ".dat";
    return target;
}

ExportOutcome exportSelected(const OperationContext& s, const ReportRequest& selection,
                             std::string target, ExistingTarget existing) {
    const auto chosen = selectForTool(s, selection);
    if (!chosen.outcome.done())
        return chosen.outcome;
    const auto normal = [](const fs::path& path) {
        return codepage::toUpper(utf8Of(fs::absolute(path).lexically_normal()));
    };
    if (normal(pathFromUtf8(target)) == normal(s.commandFile) ||
        sameFile(pathFromUtf8(target), s.commandFile))
        return Outcome::refused("Can't export to self", target);
    const auto folder = fs::absolute(pathFromUtf8(target)).parent_path();
    if (!fs::is_directory(folder))
        return Outcome::refused("Folder does not exist", utf8Of(folder));
    if (const auto named = exportTargetFile(target); named != target) {
        target = named;
        if (!Prompt::goesOn(
                s.prompt.ask("Appending .dat to your filename", target, Prompt::Buttons::OkCancel)))
            return Outcome::cancelled();
    }
    // An export is for another user or machine: never the user's own file, nor a read-only one.
    if (const auto refusal = writeRefusal(
            {pathFromUtf8(target), WriteTarget::Kind::CommandFile, s.commandFile, s.usersOwnFile}))
        return Outcome::refused("The Export file cannot be written: " + *refusal, target);
    auto mode = ExportMode::NewFile;
    if (fs::exists(pathFromUtf8(target))) {
        if (existing == ExistingTarget::Ask) {
            const auto choice = s.prompt.choose("The Export file already exists:\r\n" + target +
                                                    "\r\nChoose action below",
                                                "Export", {"&Overwrite", "&Append", "&Cancel"});
            if (choice == 2)
                return Outcome::cancelled();
            existing = choice == 0 ? ExistingTarget::Overwrite : ExistingTarget::Append;
        }
        mode = existing == ExistingTarget::Overwrite ? ExportMode::Overwrite : ExportMode::Append;
    }
    if (s.progress)
        s.progress("Exporting");
    const auto result =
        exportCommands(s.engine, chosen.rows, pathFromUtf8(target), mode, s.duplicates);
    if (result.result.code == Outcome::Code::Cancelled)
        return Outcome::cancelled();
    ExportOutcome outcome = written(result.result, "Export Operation Completed", target);
    // The export writes another file; the open one is unchanged.
    outcome.fileChanged = false;
    if (outcome.done()) {
        rememberExportFolder(s.store, folder);
        outcome.written = pathFromUtf8(target);
        outcome.detail = std::to_string(result.exported) + " commands, " +
                         std::to_string(result.replaced) + " replaced, " +
                         std::to_string(result.lists) + " LISTs added";
    }
    return outcome;
}

Outcome convertFileFormat(const OperationContext& s, const std::string& label) {
    const auto target = formatTarget(label);
    if (!target)
        return Outcome::refused("There is no " + label + " format to convert to");
    if (auto refusal = refusedBeforeSelection(s))
        return *refusal;
    const auto path = utf8Of(s.commandFile);
    const auto refusal = formatConversionRefusal(s.engine, *target);
    if (refusal && refusal->message == target->already)
        return Outcome::refused(refusal->message, refusal->title);
    // The user's own file belongs to the running Dragon, whatever its generation.
    if (s.productionFile)
        return Outcome::refused(target->versionCode == 6
                                    ? "This is your open version 10 User file - Not Allowed"
                                    : "This is your open version 9 User file - Not Allowed",
                                path);
    if (refusal)
        return Outcome::refused(refusal->message, refusal->title);
    if (!Prompt::goesOn(s.prompt.ask("Convert this file to " + target->label + " format?", path,
                                     Prompt::Buttons::OkCancel)))
        return Outcome::cancelled();
    if (s.progress)
        s.progress("Converting....");
    auto outcome = written(convertFormat(s.engine, *target),
                           "File converted to " + target->label + " format", path);
    if (outcome.done() && s.progress)
        s.progress("");
    return outcome;
}

const std::vector<std::string>& languageChoices() {
    static const std::vector<std::string> choices{"No Change", "to Dutch",  "to English",
                                                  "to French", "to German", "to Spanish"};
    return choices;
}

std::string languageDialogStatus(bool productionFile, const std::string& language) {
    if (productionFile)
        return "Cannot convert current (or any) User file, only Exported files";
    return "Language of current file: " + language;
}

Outcome convertFileLanguage(const OperationContext& s, const std::string& choice) {
    if (choice == "No Change")
        return Outcome::success("No conversion done", "Quillmark10", false);
    const auto language = choice.rfind("to ", 0) == 0 ? choice.substr(3) : choice;
    const auto code = languageCode(language);
    if (!code)
        return Outcome::refused("There is no language " + language +
                                "; choose Dutch, English, French, German or Spanish");
    const auto path = utf8Of(s.commandFile);
    if (s.productionFile)
        return Outcome::refused(languageDialogStatus(true, s.language), path);
    if (language == s.language)
        return Outcome::refused("Already in this language - Not Converted", language);
    if (auto refusal = refusedBeforeSelection(s))
        return *refusal;
    if (!Prompt::goesOn(
            s.prompt.ask("Convert this file to " + language, path, Prompt::Buttons::YesNo)))
        return Outcome::cancelled();
    return written(convertLanguage(s.engine, *code), "File converted to " + language, path);
}

Outcome writeReport(const OperationContext& s, const ReportRequest& request) {
    return runReport(s.store, request, s.outlets, s.prompt, s.commandFile, s.usersOwnFile);
}

} // namespace qmk::actions
