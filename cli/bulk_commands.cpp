#include "bulk_commands.h"

#include "common/text.h"
#include "edit_commands.h"
#include "format/codepage.h"
#include "mainwindow/browser.h"
#include "mainwindow/edit_rules.h"
#include "mainwindow/finder.h"
#include "store/parameters.h"
#include "store/schema.h"
#include "store/statements.h"
#include "tools/pseudo_dvc.h"
#include "tools/reports.h"
#include "tools/search_replace.h"
#include "tools/selection.h"
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

class Bulk {
public:
    Bulk(const BulkOptions& options, Session& session, std::ostream& out)
        : o_(options), session_(session), out_(out),
          engine_(EngineContext{session.home(), session.store(), session.trace(), session.files(),
                                session.parser().commandFile()}) {}

    int run(BulkCommand command) {
        switch (command) {
        case BulkCommand::Delete:
            return deleteCommands();
        case BulkCommand::DeleteList:
            return deleteOneList();
        case BulkCommand::RenameGroup:
            return renameGroup();
        case BulkCommand::RenameProgram:
            return renameProgram();
        case BulkCommand::Convert:
            return convert();
        case BulkCommand::Language:
            return language();
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

    // Written, verified by a parse, and reported.
    int finish(const EditResult& result, const std::string& message, const std::string& title) {
        return session_.finishWrite(result, (title.empty() ? "" : title + ": ") + message, out_);
    }

    // Marks the selected commands; false (after the message) when nothing is left.
    bool select(std::optional<std::string> defaultGroup = std::nullopt) {
        Selection selection;
        selection.all = o_.all;
        if (o_.program)
            selection.program = storedProgram(*o_.program);
        selection.scope = o_.scope;
        if (!o_.picks.empty() && !selection.scope)
            selection.scope = selection.program.value_or(kGlobalCommandsText) == kGlobalCommandsText
                                  ? kGlobalCommandsText
                                  : "Application-specific";
        if (!o_.picks.empty() && !selection.program)
            selection.program = kGlobalCommandsText;
        selection.group = o_.group ? o_.group : defaultGroup;
        selection.picks = o_.picks;
        selection.view = o_.view;
        if (!o_.all && !o_.program && !selection.group && o_.picks.empty()) {
            refuse("Nothing is selected to act on: give --all, --program, --group or --pick");
            return false;
        }
        if (markSelection(session_.store(), selection) == 0) {
            refuse("There are no macros of the specified type to Export",
                   "Change Program, Scope, or Type of Export");
            return false;
        }
        return true;
    }

    int deleteCommands() {
        if (!select())
            return kFailed;
        return finish(deletethem(engine_), "Deletion Completed", "");
    }

    int deleteOneList() {
        const std::string global(kGlobalCommands);
        const auto list = findRow(session_.store(), global, global, o_.list);
        if (!list || list->Type != "L")
            return refuse("Delete file error");
        auto& prompt = session_.prompt();
        if (!Prompt::goesOn(prompt.ask("Delete this LIST?", list->name, Prompt::Buttons::YesNo)))
            return kFailed;
        const auto users = commandsUsingList(session_.store(), list->name);
        if (!users.empty() && !Prompt::goesOn(prompt.ask(listInUseQuestion(users, "Delete"),
                                                         list->name, Prompt::Buttons::YesNo)))
            return kFailed;
        return finish(deleteList(engine_, *list), "LIST deleted", "");
    }

    // A text for the file, or the refusal shown.
    std::optional<std::string> fileText(const std::string& text, const char* what,
                                        std::size_t width) {
        const auto encoded = encodeForFile(text, what, width);
        if (encoded.refusal) {
            refuse(encoded.refusal->message, encoded.refusal->title);
            return std::nullopt;
        }
        return encoded.bytes;
    }

    int renameGroup() {
        if (o_.to.empty())
            return refuse("No New Group Name entered");
        if (!o_.group)
            return refuse("Give the group to rename with --group");
        const auto oldGroup = fileText(*o_.group, "The group", kOwnerWidth);
        const auto newGroup = fileText(o_.to, "The new group", kOwnerWidth);
        if (!oldGroup || !newGroup || !select(o_.group))
            return kFailed;
        return finish(RenameGroup(engine_, {WalkOperation::Group, *oldGroup, *newGroup}),
                      "Group renamed", *o_.group + "->" + o_.to);
    }

    int renameProgram() {
        std::string program = o_.to;
        if (program.empty())
            return refuse("No New Program entered");
        if (program.size() >= 4 && codepage::toUpper(program.substr(program.size() - 4)) == ".EXE")
            program.resize(program.size() - 4);
        const auto newProgram = fileText(program, "The new Program", kMenuWidth);
        if (!newProgram || !select())
            return kFailed;
        return finish(RenameGroup(engine_, {WalkOperation::Program, {}, *newProgram}),
                      "Program Renamed", "");
    }

    int convert() {
        const auto target = formatTarget(o_.to);
        if (!target)
            return refuse("--to is one of 6.0, 6.1, 7.0, 8.0");
        if (auto refusal = formatConversionRefusal(engine_, *target))
            return refuse(refusal->message, refusal->title);
        if (!Prompt::goesOn(
                session_.prompt().ask("Convert this file to " + target->label + " format?", path(),
                                      Prompt::Buttons::OkCancel)))
            return kFailed;
        return finish(convertFormat(engine_, *target),
                      "File converted to " + target->label + " format", path());
    }

    int language() {
        const auto code = languageCode(o_.to);
        if (!code)
            return refuse("--to is one of Dutch, English, French, German, Spanish");
        if (o_.to == session_.parser().properties().languageName)
            return refuse("Already in this language - Not Converted", o_.to);
        if (!Prompt::goesOn(session_.prompt().ask("Convert this file to " + o_.to, path(),
                                                  Prompt::Buttons::YesNo)))
            return kFailed;
        return finish(convertLanguage(engine_, *code), "File converted to " + o_.to, path());
    }

    int dvc() {
        const std::pair<const char*, WalkOperation> kinds[] = {{"plain", WalkOperation::Dvc2Plain},
                                                               {"vba", WalkOperation::Dvc2Vba},
                                                               {"sdk", WalkOperation::Dvc2Sdk}};
        std::optional<WalkOperation> operation;
        for (const auto& [name, kind] : kinds)
            if (o_.to == name)
                operation = kind;
        if (!operation)
            return refuse("--to is one of plain, vba, sdk");
        if (*operation == WalkOperation::Dvc2Vba &&
            session_.parser().properties().languageName != "English")
            return refuse("Sorry, this command is only supported for English Language Users",
                          "Contact Tarnwell if you are interested in a non-English User");
        if (!select())
            return kFailed;
        const auto conversion = convertDvc(engine_, *operation);
        const std::string done = *operation == WalkOperation::Dvc2Plain
                                     ? " Conversion of DVCs to Plain Text Complete"
                                     : " Conversion of DVCs to Advanced Scripting Complete";
        const std::string title =
            "See " + conversion.logName + " for complete details of converted commands";
        const int status = finish(conversion.result, done, title);
        if (status == kDone && conversion.notConverted)
            session_.prompt().message("Some macros were not converted--Please send to Tarnwell",
                                      title);
        return status;
    }

    int exportTo() {
        namespace fs = std::filesystem;
        fs::path target = o_.to;
        const auto same = [](const std::string& a, const std::string& b) {
            return codepage::toUpper(a) == codepage::toUpper(b);
        };
        if (same(fs::absolute(target).lexically_normal().string(),
                 fs::absolute(session_.parser().commandFile()).lexically_normal().string()))
            return refuse("Can't export to self");
        const auto folder = fs::absolute(target).parent_path();
        if (!fs::is_directory(folder))
            return refuse("Folder does not exist");
        const auto name = target.filename().string();
        if (name.size() < 4 || !same(name.substr(name.size() - 4), ".dat")) {
            target += ".dat";
            if (!Prompt::goesOn(session_.prompt().ask("Appending .dat to your filename",
                                                      target.string(), Prompt::Buttons::OkCancel)))
                return kFailed;
        }
        Parameters(session_.store()).set(Parameters::Text::exportPath, folder.string());
        auto mode = ExportMode::NewFile;
        if (fs::exists(target)) {
            if (o_.append || o_.overwrite) {
                mode = o_.append ? ExportMode::Append : ExportMode::Overwrite;
            } else {
                const auto choice =
                    session_.prompt().choose("The Export file already exists:\r\n" +
                                                 target.string() + "\r\nChoose action below",
                                             "Export", {"&Overwrite", "&Append", "&Cancel"});
                if (choice == 2)
                    return kFailed;
                mode = choice == 0 ? ExportMode::Overwrite : ExportMode::Append;
            }
        }
        if (!select())
            return kFailed;
        const auto result = exportCommands(
            engine_, target, mode,
            duplicateQuestion(session_.prompt(), o_.onDuplicate, target.string(), path()));
        if (!result.result.ok)
            return refuse(result.result.message, result.result.title);
        out_ << target.string() << ": Export Operation Completed (" << result.exported
             << " commands, " << result.replaced << " replaced, " << result.lists
             << " LISTs added)\n";
        return kDone;
    }

    static constexpr const char* kGlobalCommandsText = "Global Commands";

    int report() {
        if (!select())
            return kFailed;
        std::string text;
        if (o_.mode == "txt") {
            text = reportNameList(session_.store());
        } else if (o_.mode == "csv") {
            text = reportSpreadsheet(session_.store());
        } else {
            // The DVC listing keeps the keystroke, script and LIST rows only.
            if (o_.mode == "dvc")
                session_.store().exec("UPDATE user SET flag = 0 WHERE Type NOT IN ('K', 'S', 'L')");
            if (statements::countMarked(session_.store()) == 0)
                return refuse("There are no DVC commands in this Scope or View", "Sorry");
            text = pseudoDvcText(session_.store());
        }
        statements::clearFlags(session_.store());
        if (o_.mode == "txt" || o_.mode == "csv")
            if (auto encoded = codepage::fromUtf8(text); encoded.ok)
                text = std::move(encoded.bytes);
        try {
            FileOps().writeFile(o_.out, text);
        } catch (const FileError& error) {
            return refuse(error.what(), o_.out);
        }
        out_ << o_.out << '\n';
        return kDone;
    }

    int replaceAll() {
        if (!select())
            return kFailed;
        session_.RollBackCheck();
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
        // Every match in the Find order, until "no more matches".
        do
            out_ << browser.currentProgram() << '\t' << browser.currentScope() << '\t'
                 << browser.currentItemName() << '\n';
        while (finder.findAgain());
        return kDone;
    }

    const BulkOptions& o_;
    Session& session_;
    std::ostream& out_;
    UpdateEngine engine_;
};

} // namespace

int runBulk(BulkCommand command, const BulkOptions& options, Session& session, std::ostream& out) {
    session.RollBackCheck();
    return Bulk(options, session, out).run(command);
}

} // namespace qmk::cli
