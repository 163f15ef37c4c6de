#include "actions/edit_rules.h"
#include "actions/file_actions.h"
#include "actions/record_actions.h"
#include "actions/xml_actions.h"
#include "commands.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "tools/find_search.h"
#include "tools/pseudo_dvc.h"
#include "tools/reports.h"
#include "tools/search_replace.h"
#include "tools/tools_dialog.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>

namespace qmk::cli {

DuplicateQuestion duplicateQuestion(Prompt& prompt, const std::string& onDuplicate,
                                    const std::string& target, const std::string& source) {
    const auto asked = duplicatePrompt(prompt, target, source);
    return [asked, onDuplicate](const DuplicateCommand& command) {
        const std::pair<const char*, DuplicateAnswer> fixed[] = {
            {"yes", DuplicateAnswer::Yes},
            {"no", DuplicateAnswer::No},
            {"yes-all", DuplicateAnswer::YesToAll},
            {"no-all", DuplicateAnswer::NoToAll},
            {"cancel", DuplicateAnswer::CancelExport}};
        for (const auto& [word, answer] : fixed)
            if (onDuplicate == word)
                return answer;
        return asked(command);
    };
}

namespace {

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
    std::string encoding = "utf-16"; // export-xml
};

// A row shows in the View when its type letter is one of the user's.
ReportOutlets viewOutlets(const std::string& view) {
    ReportOutlets outlets;
    outlets.shown = [view](const UserRow& row) {
        return row.type != ItemType::None &&
               view.find(static_cast<char>(row.type)) != std::string::npos;
    };
    return outlets;
}

class Bulk {
public:
    Bulk(const BulkOptions& options, CommandRun& session, std::ostream& out)
        : o_(options), session_(session), out_(out),
          work_(session.operationRun(viewOutlets(o_.view))) {}

private:
    int refuse(const std::string& message, const std::string& title = "Quillmark10") {
        return session_.refuse(message, title);
    }

    std::string path() const { return utf8Of(session_.parser().commandFile()); }

    actions::OperationContext& context(const std::string& exportTarget = {}) {
        auto& session = work_->context();
        session.duplicates =
            duplicateQuestion(session_.prompt(), o_.onDuplicate, exportTarget, path());
        return session;
    }

    // The outcome reported as its title and message.
    int finish(const Outcome& outcome) {
        return session_.finish(
            outcome, (outcome.title.empty() ? "" : outcome.title + ": ") + outcome.message, out_);
    }

    // The selection as the window's tools dialog would make it; false after the usage message.
    bool selected(std::optional<std::string> defaultGroup = std::nullopt) {
        using Choice = ReportRequest::Choice;
        const auto group = o_.group ? o_.group : defaultGroup;
        request_.group = group.value_or(kAllGroups);
        if (!o_.picks.empty()) {
            request_.choice = Choice::Picked;
            request_.program =
                o_.program ? storedProgram(*o_.program) : std::string(kGlobalCommands);
            request_.scope =
                o_.scope.value_or(request_.program == kGlobalCommands ? std::string(kGlobalCommands)
                                                                      : "Application-specific");
            request_.picked = o_.picks;
        } else if (o_.program) {
            request_.program = storedProgram(*o_.program);
            request_.choice = o_.scope ? Choice::Scope : Choice::Program;
            request_.scope = o_.scope.value_or("");
        } else if (group) {
            request_.choice = Choice::Group;
        } else if (o_.all) {
            request_.choice = Choice::All;
        } else {
            refuse("Nothing is selected to act on: give --all, --program, --group or --pick");
            return false;
        }
        return true;
    }

public:
    int deleteSelected() {
        return selected() ? finish(actions::deleteSelected(context(), request_)) : kFailed;
    }

    int renameProgram() {
        return selected() ? finish(actions::renameProgram(context(), request_, o_.to)) : kFailed;
    }

    int convertFormat() { return finish(actions::convertFileFormat(context(), o_.to)); }

    int convertLanguage() { return finish(actions::convertFileLanguage(context(), o_.to)); }

    int deleteOneList() {
        const std::string global(kGlobalCommands);
        const auto list = findRow(session_.store(), global, global, o_.list);
        if (!list || list->type != ItemType::List)
            return refuse("Delete file error", o_.list);
        return session_.finish(actions::deleteItem(context(), *list), "LIST deleted", out_);
    }

    int renameGroup() {
        if (!o_.group)
            return refuse("Give the group to rename with --group");
        if (!selected(o_.group))
            return kFailed;
        return finish(actions::renameGroup(context(), request_, o_.to));
    }

    int dvc() {
        const std::pair<const char*, WalkOperation> kinds[] = {
            {"plain", WalkOperation::DvcToPlainText},
            {"vba", WalkOperation::DvcToSendKeys},
            {"sdk", WalkOperation::DvcToSendDragonKeys}};
        for (const auto& [name, kind] : kinds)
            if (o_.to == name)
                return selected() ? finish(actions::convertDvcs(context(), request_, kind))
                                  : kFailed;
        return refuse("--to is one of plain, vba, sdk");
    }

    int exportTo() {
        if (!selected())
            return kFailed;
        const auto existing = o_.append      ? actions::ExistingTarget::Append
                              : o_.overwrite ? actions::ExistingTarget::Overwrite
                                             : actions::ExistingTarget::Ask;
        const auto outcome = actions::exportSelected(context(actions::exportTargetFile(o_.to)),
                                                     request_, o_.to, existing);
        if (!outcome.done())
            return finish(outcome);
        out_ << utf8Of(outcome.written) << ": " << outcome.message << " (" << outcome.detail
             << ")\n";
        return kDone;
    }

    int exportXml() {
        if (!selected())
            return kFailed;
        const auto outcome =
            actions::exportXml(context(), request_, pathFromUtf8(o_.to),
                               o_.encoding == "windows-1252" ? xmltext::Encoding::Windows1252
                                                             : xmltext::Encoding::Utf16);
        if (!outcome.done())
            return finish(outcome);
        out_ << o_.to << ": " << outcome.message << " (" << outcome.summary << ")\n";
        return kDone;
    }

    int report() {
        if (!selected())
            return kFailed;
        // The option's choices are the modes' names.
        request_.mode = reportModeNamed(o_.mode).value_or(ReportMode::CommandList);
        request_.destination = ReportRequest::Destination::File;
        request_.file = pathFromUtf8(o_.out);
        const auto outcome = actions::writeReport(context(), request_);
        if (!outcome.done())
            return finish(outcome);
        out_ << o_.out << '\n';
        return kDone;
    }

    int replaceAll() {
        if (!selected())
            return kFailed;
        SearchReplace search(session_.store(), work_->engine(), session_.prompt(),
                             [](const std::string&) {});
        if (const auto started = actions::startSearch(context(), request_, search); !started.done())
            return finish(started);
        const auto step = search.replaceAll(o_.search, o_.replace, o_.matchCase);
        if (step == SearchReplace::Step::Refused)
            return kFailed;
        if (step != SearchReplace::Step::Finished)
            return kDone; // nothing matched; the message said so
        const int verified = session_.verifyWrite();
        if (verified == kDone)
            out_ << "Replaced\n";
        return verified;
    }

    int find() {
        FindSettings settings;
        settings.text = o_.search;
        settings.matchCase = o_.matchCase;
        settings.field = o_.in == "body"    ? FindSettings::Field::Content
                         : o_.in == "scope" ? FindSettings::Field::Scope
                                            : FindSettings::Field::Name;
        // Every type of command and LIST, as the window's View shows them at first.
        const auto matches = findAll(session_.store(), settings, hasShownType);
        if (matches.empty()) {
            if (!settings.text.empty())
                session_.prompt().message(notFoundText(settings.text, true), "Not Found");
            return kFailed;
        }
        for (const auto& match : matches)
            out_ << match.at.program << '\t' << match.at.scope << '\t' << match.at.name << '\n';
        return kDone;
    }

private:
    const BulkOptions& o_;
    CommandRun& session_;
    std::ostream& out_;
    actions::OperationRunPtr work_;
    ReportRequest request_;
};

// The selection as the window's tools dialog offers it.
void addSelectionOptions(CLI::App* command, BulkOptions& o, bool byGroup = true) {
    command->add_flag("--all", o.all, "Every command");
    command->add_option("--program", o.program, "The commands of a Program");
    command->add_option("--scope", o.scope, "... narrowed to one Scope");
    command->add_option("--pick", o.picks, "A command of the Program and Scope");
    command->add_option("--view", o.view, "The types shown (default KSATPRXL)");
    if (byGroup)
        command->add_option("--group", o.group, "The commands of a Group");
}

} // namespace

namespace {

// Adds one bulk command: its name, what it does, the operation it runs and whether it writes
// the file it opens.
using AddBulk = std::function<CLI::App*(const std::string& name, const std::string& description,
                                        int (Bulk::*handler)(), bool writes)>;

// The commands that rewrite the whole file they open.
void addFileRewrites(const AddBulk& bulk, BulkOptions& o) {
    addSelectionOptions(bulk("delete", "Delete the selected commands", &Bulk::deleteSelected, true),
                        o);

    bulk("delete-list", "Delete a LIST", &Bulk::deleteOneList, true)
        ->add_option("--list", o.list, "The LIST's name")
        ->required();

    auto* renameGroup =
        bulk("rename-group", "Rename the Group of the selected commands", &Bulk::renameGroup, true);
    addSelectionOptions(renameGroup, o, false);
    renameGroup->add_option("--group", o.group, "The Group to rename")->required();
    renameGroup->add_option("--to", o.to, "The new name")->required();

    auto* renameProgram = bulk("rename-program", "Rename the Program of the selected commands",
                               &Bulk::renameProgram, true);
    addSelectionOptions(renameProgram, o);
    renameProgram->add_option("--to", o.to, "The new name")->required();

    bulk("convert", "Convert the file to an older format", &Bulk::convertFormat, true)
        ->add_option("--to", o.to, "6.0, 6.1, 7.0 or 8.0")
        ->required();
    bulk("language", "Change the file's language", &Bulk::convertLanguage, true)
        ->add_option("--to", o.to, "Dutch, English, French, German or Spanish")
        ->required();
}

// The commands that write the selected commands elsewhere, convert or replace them, or find them.
void addSelectionCommands(const AddBulk& bulk, BulkOptions& o) {
    // The export reads the open file only: it takes the lock of its target when it writes.
    auto* exportCommand = bulk("export", "Export the selected commands", &Bulk::exportTo, false);
    addSelectionOptions(exportCommand, o);
    exportCommand->add_option("--to", o.to, "The target command file")->required();
    auto* append = exportCommand->add_flag("--append", o.append, "Append to the target");
    exportCommand->add_flag("--overwrite", o.overwrite, "Overwrite the target")->excludes(append);
    exportCommand
        ->add_option("--on-duplicate", o.onDuplicate, "ask, yes, no, yes-all, no-all or cancel")
        ->check(CLI::IsMember(kDuplicateAnswers));

    auto* exportXml =
        bulk("export-xml", "Export the selected commands as Dragon's XML", &Bulk::exportXml, false);
    addSelectionOptions(exportXml, o);
    exportXml->add_option("--to", o.to, "The XML file written")->required();
    exportXml->add_option("--encoding", o.encoding, "utf-16 (the default) or windows-1252")
        ->check(CLI::IsMember({"utf-16", "windows-1252"}));

    auto* dvc = bulk("dvc", "Convert the selected KEYS commands", &Bulk::dvc, true);
    addSelectionOptions(dvc, o);
    dvc->add_option("--to", o.to, "plain, vba or sdk")
        ->required()
        ->check(CLI::IsMember({"plain", "vba", "sdk"}));

    auto* report = bulk("report", "List the selected commands", &Bulk::report, false);
    addSelectionOptions(report, o);
    report->add_option("--mode", o.mode, "txt, csv, dvc or pseudo")
        ->check(CLI::IsMember({"txt", "csv", "dvc", "pseudo"}));
    report->add_option("--out", o.out, "The file written")->required();

    auto* replace =
        bulk("replace", "Replace a text in the selected commands' bodies", &Bulk::replaceAll, true);
    addSelectionOptions(replace, o);
    replace->add_option("--search", o.search, "The text to find")->required();
    replace->add_option("--replace", o.replace, "Its replacement")->required();
    replace->add_flag("--match-case", o.matchCase, "Compare letter case exactly");

    auto* find = bulk("find", "Every command matching a text", &Bulk::find, false);
    find->add_option("--in", o.in, "name, body or scope")
        ->check(CLI::IsMember({"name", "body", "scope"}));
    find->add_flag("--match-case", o.matchCase, "Compare letter case exactly");
}

} // namespace

void addBulkCommands(Commands& commands) {
    auto o = std::make_shared<BulkOptions>();
    const AddBulk bulk = [&commands, o](const std::string& name, const std::string& description,
                                        int (Bulk::*handler)(), bool writes) {
        auto& command = commands.add(name, description);
        if (name == "find")
            command.cli->add_option("TEXT", o->search, "The text to find")->required();
        commands.takesFile(command);
        commands.addYes(command.cli, "Answer OK or Yes to every question");
        if (writes)
            command.writes();
        command.run = [o, handler](CommandRun& session, std::ostream& out) {
            Bulk run(*o, session, out);
            return (run.*handler)();
        };
        return command.cli;
    };
    addFileRewrites(bulk, *o);
    addSelectionCommands(bulk, *o);
}

} // namespace qmk::cli
