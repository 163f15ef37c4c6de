#include "bulk_commands.h"

#include "actions/edit_rules.h"
#include "actions/file_actions.h"
#include "actions/record_actions.h"
#include "common/text.h"
#include "edit_commands.h"
#include "mainwindow/browser.h"
#include "mainwindow/finder.h"
#include "store/parameters.h"
#include "store/schema.h"
#include "store/statements.h"
#include "tools/pseudo_dvc.h"
#include "tools/reports.h"
#include "tools/search_replace.h"
#include "tools/tools_dialog.h"
#include "writer/export_dat.h"
#include "writer/rebuilds.h"

#include <filesystem>
#include <ostream>

namespace qmk::cli {

DuplicateQuestion duplicateQuestion(Prompt& prompt, const std::string& onDuplicate,
                                    const std::string& target, const std::string& source) {
    const auto asked = duplicatePrompt(prompt, target, source);
    return [asked, onDuplicate](const std::string& command) {
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

// A row shows in the View when its type letter is one of the user's.
ReportOutlets viewOutlets(const std::string& view) {
    ReportOutlets outlets;
    outlets.shown = [view](const UserRow& row) {
        return row.Type.size() == 1 && view.find(row.Type[0]) != std::string::npos;
    };
    return outlets;
}

class Bulk {
public:
    Bulk(const BulkOptions& options, Session& session, std::ostream& out)
        : o_(options), session_(session), out_(out),
          engine_(EngineContext{session.home(), session.store(), session.trace(), session.files(),
                                session.parser().commandFile()}) {}

    int run(BulkCommand command) {
        switch (command) {
        case BulkCommand::Delete:
            return selected() ? finish(actions::deleteSelected(context(), request_)) : kFailed;
        case BulkCommand::DeleteList:
            return deleteOneList();
        case BulkCommand::RenameGroup:
            return renameGroup();
        case BulkCommand::RenameProgram:
            return selected() ? finish(actions::renameProgram(context(), request_, o_.to))
                              : kFailed;
        case BulkCommand::Convert:
            return finish(actions::convertFileFormat(context(), o_.to));
        case BulkCommand::Language:
            return finish(actions::convertFileLanguage(context(), o_.to));
        case BulkCommand::Export:
            return exportTo();
        case BulkCommand::Dvc:
            return dvc();
        case BulkCommand::Report:
            return report();
        case BulkCommand::Replace:
            return replaceAll();
        case BulkCommand::Find:
            return find();
        }
        return kUsage;
    }

private:
    int refuse(const std::string& message, const std::string& title = "Quillmark10") {
        return session_.refuse(message, title);
    }

    std::string path() const { return session_.parser().commandFile().string(); }

    actions::FileSession context(const std::string& exportTarget = {}) {
        auto session = session_.fileSession(engine_, viewOutlets(o_.view));
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

    int deleteOneList() {
        const std::string global(kGlobalCommands);
        const auto list = findRow(session_.store(), global, global, o_.list);
        if (!list || list->Type != "L")
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
        const std::pair<const char*, WalkOperation> kinds[] = {{"plain", WalkOperation::Dvc2Plain},
                                                               {"vba", WalkOperation::Dvc2Vba},
                                                               {"sdk", WalkOperation::Dvc2Sdk}};
        for (const auto& [name, kind] : kinds)
            if (o_.to == name)
                return selected() ? finish(actions::convertDvcs(context(), request_, kind))
                                  : kFailed;
        return refuse("--to is one of plain, vba, sdk");
    }

    int exportTo() {
        if (!selected())
            return kFailed;
        std::string detail;
        const auto existing = o_.append      ? actions::ExistingTarget::Append
                              : o_.overwrite ? actions::ExistingTarget::Overwrite
                                             : actions::ExistingTarget::Ask;
        const auto outcome = actions::exportSelected(context(actions::exportTargetFile(o_.to)),
                                                     request_, o_.to, existing, &detail);
        if (!outcome.done())
            return finish(outcome);
        out_ << outcome.exportedFile.string() << ": " << outcome.message << " (" << detail << ")\n";
        return kDone;
    }

    int report() {
        if (!selected())
            return kFailed;
        request_.mode = o_.mode;
        request_.destination = ReportRequest::Destination::File;
        request_.file = o_.out;
        const auto outcome = actions::writeReport(context(), request_);
        statements::clearFlags(session_.store());
        if (!outcome.done())
            return finish(outcome);
        out_ << o_.out << '\n';
        return kDone;
    }

    int replaceAll() {
        if (!selected())
            return kFailed;
        const auto selection = actions::selectForTool(context(), request_);
        if (!selection.done())
            return finish(selection);
        session_.archiveBeforeWrite();
        SearchReplace search(session_.store(), engine_, session_.prompt(),
                             [](const std::string&) {});
        search.start();
        const auto step = search.replaceAll(o_.search, o_.replace, o_.matchCase);
        statements::clearFlags(session_.store());
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
        Browser browser(&session_.store());
        browser.start();
        Finder finder(session_.store(), browser, session_.prompt());
        FindSettings settings;
        settings.text = o_.search;
        settings.matchCase = o_.matchCase;
        settings.field = o_.in == "body"    ? FindSettings::Field::Content
                         : o_.in == "scope" ? FindSettings::Field::Scope
                                            : FindSettings::Field::Name;
        if (!finder.findFirst(settings))
            return kFailed;
        // Every match in the Find order, until "no more matches"; never more than the rows.
        auto rows =
            statements::countCommands(session_.store()) + statements::countLists(session_.store());
        do
            out_ << browser.currentProgram() << '\t' << browser.currentScope() << '\t'
                 << browser.currentItemName() << '\n';
        while (--rows > 0 && finder.findAgain());
        return kDone;
    }

    const BulkOptions& o_;
    Session& session_;
    std::ostream& out_;
    UpdateEngine engine_;
    ReportRequest request_;
};

} // namespace

int runBulk(BulkCommand command, const BulkOptions& options, Session& session, std::ostream& out) {
    return Bulk(options, session, out).run(command);
}

} // namespace qmk::cli
