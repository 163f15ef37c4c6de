#include "cli.h"

#include "bulk_commands.h"
#include "compare_commands.h"
#include "dragon_commands.h"
#include "edit_commands.h"
#include "held_output.h"
#include "json.h"
#include "row_output.h"
#include "session.h"
#include "session/installation.h"
#include "session/startup.h"
#include "session/supplied_files.h"
#include "store/statements.h"
#include "store/user_rows.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <ostream>
#include <unistd.h>

namespace qmk::cli {

namespace {

namespace fs = std::filesystem;

struct Options {
    std::string home;
    std::string file;
    bool force = false;
    bool json = false;
    bool csv = false;
};

int init(const ProgramDir& home, std::ostream& out, std::ostream& err) {
    std::string error;
    if (!setUpProgramDirectory(
            home, [&](const std::string& line) { out << line << '\n'; }, error)) {
        err << error << '\n';
        return kFailed;
    }
    return kDone;
}

StateNames loadStateNames(Database& db) {
    StateNames names;
    auto select = db.prepare("SELECT ID, statename FROM states");
    while (select.step())
        names[select.integer(0)] = select.text(1);
    return names;
}

int list(Session& session, const Options& options, std::ostream& out) {
    UserTable rows(session.store());
    if (options.json)
        printRowsJson(out, rows, loadStateNames(session.store()));
    else if (options.csv)
        printRowsCsv(out, rows);
    else
        printRowsText(out, rows);
    return kDone;
}

int info(Session& session, const Options& options, std::ostream& out) {
    const auto& p = session.parser().properties();
    const auto path = session.parser().commandFile().string();
    const auto commands = statements::countCommands(session.store());
    const auto lists = statements::countLists(session.store());
    if (options.json) {
        printJson(out, {{"file", path},
                        {"version", p.versionText},
                        {"generation", p.generationLabel},
                        {"language", p.languageName},
                        {"languageCode", int{p.languageCode}},
                        {"modified", p.modified.display()},
                        {"size", p.size},
                        {"commands", commands},
                        {"lists", lists}});
        return kDone;
    }
    out << consoleText(propertiesText(path, p, commands, lists)) << '\n';
    return kDone;
}

} // namespace

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    return run(argc, argv, out, err, std::cin);
}

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err, std::istream& in) {
    CLI::App app{"qmk10: reads and edits Dragon command files (mycmds.dat)", "qmk10"};
    app.require_subcommand(1);
    Options options;
    EditOptions edit;
    bool assumeYes = false;
    bool partLinks = false;
    app.add_option("--home", options.home,
                   "The program's directory (else $QUILLMARK10_HOME, else the per-user data "
                   "folder)");
    app.set_version_flag("--version", kVersion);
    app.add_flag("--part-links", partLinks,
                 "Write a command file that has several hard links: the name given gets a file "
                 "of its own, the other names keep the old commands");

    auto* initCommand = app.add_subcommand("init", "Set up the program's directory");
    auto* parseCommand = app.add_subcommand("parse", "Parse FILE into the command store");
    auto* listCommand = app.add_subcommand("list", "Parse FILE when changed and list its rows");
    auto* infoCommand = app.add_subcommand("info", "Show the properties of FILE");
    auto* json = listCommand->add_flag("--json", options.json, "One JSON array of the rows");
    listCommand->add_flag("--csv", options.csv, "The rows as CSV")->excludes(json);
    infoCommand->add_flag("--json", options.json, "The properties as one JSON object");

    const std::pair<EditCommand, CLI::App*> edits[] = {
        {EditCommand::SetBody, app.add_subcommand("set-body", "Save a new body or LIST items")},
        {EditCommand::SetDetails,
         app.add_subcommand("set-details", "Change the name, description or group")},
        {EditCommand::Rename, app.add_subcommand("rename", "Rename a command or LIST")},
        {EditCommand::ToPlain,
         app.add_subcommand("to-plain", "Convert a KEYS command to Plain Text")},
        {EditCommand::ToAdvanced,
         app.add_subcommand("to-advanced", "Convert a KEYS command to an Advanced Script")},
        {EditCommand::New, app.add_subcommand("new", "Add a new command")},
        {EditCommand::NewList, app.add_subcommand("new-list", "Add a new LIST")},
    };
    for (auto* command : {parseCommand, listCommand, infoCommand})
        command->add_flag("--force", options.force, "Parse even when the file is unchanged");
    for (auto* command : {parseCommand, listCommand, infoCommand})
        command->add_option("FILE", options.file,
                            "The command file (default: the current Dragon user's)");
    auto* demoCommand =
        app.add_subcommand("demo-setup", "Create a simulated Dragon installation with a demo user");
    std::string demoDir;
    std::string demoUser = "Demo User";
    demoCommand->add_option("--dir", demoDir, "Where (default: demo-dragon in the home)");
    demoCommand->add_option("--user", demoUser, "The Dragon user's name");
    auto* backupCommand =
        app.add_subcommand("backup", "Back up the current Dragon user's command file");
    auto* rollbackCommand = app.add_subcommand(
        "rollback", "List this month's archives of the current user, or restore one");
    std::string archive;
    bool listArchives = false;
    auto* archiveOption = rollbackCommand->add_option("ARCHIVE", archive, "The archive to restore");
    rollbackCommand->add_flag("--list", listArchives, "List the archives")->excludes(archiveOption);
    rollbackCommand->add_flag("--yes", assumeYes, "Answer OK to the question");
    auto* mergeCommand = app.add_subcommand(
        "merge",
        "Merge SOURCE into TARGET (default: the current user's file) through Dragon's tool");
    std::vector<std::string> mergeFiles; // [TARGET] SOURCE
    mergeCommand->add_option("FILES", mergeFiles, "[TARGET] SOURCE")->required()->expected(1, 2);
    auto* whoamiCommand = app.add_subcommand("whoami", "Show the Dragon environment found");
    bool whoamiJson = false;
    whoamiCommand->add_flag("--json", whoamiJson, "As one JSON object");
    for (const auto& [kind, command] : edits) {
        command->add_option("FILE", options.file,
                            "The command file (default: the current Dragon user's)");
        if (kind == EditCommand::NewList) {
            command->add_option("--name", edit.name, "The new LIST's name")->required();
        } else {
            command->add_option("--program", edit.program, "The Program (default Global Commands)");
            command->add_option("--scope", edit.scope, "The Scope");
            auto* name = command->add_option("--name", edit.name, "The command's name");
            if (kind == EditCommand::New)
                name->required();
            else
                command->add_option("--list", edit.list, "A LIST's name instead of a command")
                    ->excludes(name);
        }
        if (kind == EditCommand::SetBody || kind == EditCommand::New ||
            kind == EditCommand::NewList) {
            auto* body = command->add_option("--body", edit.body, "The body text");
            command->add_option("--body-file", edit.bodyFile, "The body from a file, - for stdin")
                ->excludes(body);
        }
    }
    auto* details = edits[1].second;
    details->add_option("--new-name", edit.newName, "The new name");
    details->add_option("--description", edit.description, "The new description");
    details->add_option("--group", edit.group, "The new group");
    edits[2].second->add_option("--to", edit.to, "The new name")->required();
    edits[2].second->add_flag("--yes", assumeYes, "Rename a LIST even when commands use it");
    auto* newCommand = edits[5].second;
    newCommand->add_option("--type", edit.type, "K, S, A or P")->required();
    newCommand->add_option("--description", edit.description, "The description");
    newCommand->add_option("--group", edit.group, "The group");
    newCommand->add_option("--like", edit.like,
                           "The command whose program and window identification to copy");

    BulkOptions bulk;
    const std::pair<BulkCommand, CLI::App*> bulks[] = {
        {BulkCommand::Delete, app.add_subcommand("delete", "Delete the selected commands")},
        {BulkCommand::DeleteList, app.add_subcommand("delete-list", "Delete a LIST")},
        {BulkCommand::RenameGroup,
         app.add_subcommand("rename-group", "Rename the Group of the selected commands")},
        {BulkCommand::RenameProgram,
         app.add_subcommand("rename-program", "Rename the Program of the selected commands")},
        {BulkCommand::Convert,
         app.add_subcommand("convert", "Convert the file to an older format")},
        {BulkCommand::Language, app.add_subcommand("language", "Change the file's language")},
        {BulkCommand::Export, app.add_subcommand("export", "Export the selected commands")},
        {BulkCommand::Dvc, app.add_subcommand("dvc", "Convert the selected KEYS commands")},
        {BulkCommand::Report, app.add_subcommand("report", "List the selected commands")},
        {BulkCommand::Replace,
         app.add_subcommand("replace", "Replace a text in the selected commands' bodies")},
        {BulkCommand::Find, app.add_subcommand("find", "Every command matching a text")},
    };
    for (const auto& [kind, command] : bulks) {
        if (kind == BulkCommand::Find)
            command->add_option("TEXT", bulk.search, "The text to find")->required();
        command->add_option("FILE", options.file,
                            "The command file (default: the current Dragon user's)");
        command->add_flag("--yes", assumeYes, "Answer OK or Yes to every question");
        if (kind == BulkCommand::Delete || kind == BulkCommand::RenameGroup ||
            kind == BulkCommand::RenameProgram || kind == BulkCommand::Export ||
            kind == BulkCommand::Dvc || kind == BulkCommand::Report ||
            kind == BulkCommand::Replace) {
            command->add_flag("--all", bulk.all, "Every command");
            command->add_option("--program", bulk.program, "The commands of a Program");
            command->add_option("--scope", bulk.scope, "... narrowed to one Scope");
            command->add_option("--pick", bulk.picks, "A command of the Program and Scope");
            command->add_option("--view", bulk.view, "The types shown (default KSATPRXL)");
            if (kind != BulkCommand::RenameGroup)
                command->add_option("--group", bulk.group, "The commands of a Group");
        }
    }
    bulks[1].second->add_option("--list", bulk.list, "The LIST's name")->required();
    bulks[2].second->add_option("--group", bulk.group, "The Group to rename")->required();
    for (auto* command : {bulks[2].second, bulks[3].second})
        command->add_option("--to", bulk.to, "The new name")->required();
    bulks[4].second->add_option("--to", bulk.to, "6.0, 6.1, 7.0 or 8.0")->required();
    bulks[5]
        .second->add_option("--to", bulk.to, "Dutch, English, French, German or Spanish")
        ->required();
    auto* exportCommand = bulks[6].second;
    exportCommand->add_option("--to", bulk.to, "The target command file")->required();
    auto* append = exportCommand->add_flag("--append", bulk.append, "Append to the target");
    exportCommand->add_flag("--overwrite", bulk.overwrite, "Overwrite the target")
        ->excludes(append);
    exportCommand
        ->add_option("--on-duplicate", bulk.onDuplicate, "ask, yes, no, yes-all, no-all or cancel")
        ->check(CLI::IsMember({"ask", "yes", "no", "yes-all", "no-all", "cancel"}));
    bulks[7]
        .second->add_option("--to", bulk.to, "plain, vba or sdk")
        ->required()
        ->check(CLI::IsMember({"plain", "vba", "sdk"}));

    bulks[8]
        .second->add_option("--mode", bulk.mode, "txt, csv, dvc or pseudo")
        ->check(CLI::IsMember({"txt", "csv", "dvc", "pseudo"}));
    bulks[8].second->add_option("--out", bulk.out, "The file written")->required();
    bulks[9].second->add_option("--search", bulk.search, "The text to find")->required();
    bulks[9].second->add_option("--replace", bulk.replace, "Its replacement")->required();
    bulks[10]
        .second->add_option("--in", bulk.in, "name, body or scope")
        ->check(CLI::IsMember({"name", "body", "scope"}));
    for (auto* command : {bulks[9].second, bulks[10].second})
        command->add_flag("--match-case", bulk.matchCase, "Compare letter case exactly");

    std::vector<std::string> diffFiles;
    bool diffJson = false;
    auto* diffCommand = app.add_subcommand("diff", "The differences between two command files");
    diffCommand->add_option("FILES", diffFiles, "The earlier and the later command file")
        ->required()
        ->expected(2);
    diffCommand->add_flag("--json", diffJson, "As JSON");
    bool conflictsJson = false;
    auto* conflictsCommand =
        app.add_subcommand("conflicts", "Spoken forms that collide in scopes that overlap");
    conflictsCommand->add_option("FILE", options.file,
                                 "The command file (default: the current Dragon user's)");
    conflictsCommand->add_flag("--json", conflictsJson, "As JSON");
    RestoreOptions restoreOptions;
    auto* restoreCommand = app.add_subcommand(
        "restore", "Copy chosen commands or LISTs from an archive back into the file");
    restoreCommand->add_option("ARCHIVE", restoreOptions.archive, "The archive or command file")
        ->required();
    restoreCommand->add_option("FILE", options.file,
                               "The command file (default: the current Dragon user's)");
    restoreCommand->add_option("--pick", restoreOptions.picks, "A command to restore");
    restoreCommand->add_option("--list", restoreOptions.lists, "A LIST to restore");
    restoreCommand->add_option("--program", restoreOptions.program,
                               "The Program of the commands (default Global Commands)");
    restoreCommand->add_option("--scope", restoreOptions.scope, "Their Scope");
    restoreCommand
        ->add_option("--on-duplicate", restoreOptions.onDuplicate,
                     "ask, yes, no, yes-all, no-all or cancel")
        ->check(CLI::IsMember({"ask", "yes", "no", "yes-all", "no-all", "cancel"}));
    restoreCommand->add_flag("--yes", assumeYes, "Answer OK or Yes to every question");

    auto* keysCommand = app.add_subcommand("keys2script", "Convert a DVC key string to a script");
    std::string keys;
    std::string form = "sendkeys";
    keysCommand->add_option("KEYSTRING", keys, "The key string")->required();
    keysCommand->add_option("--form", form, "sendkeys or senddragonkeys")
        ->check(CLI::IsMember({"sendkeys", "senddragonkeys"}));

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, out, err);
        return code == 0 ? kDone : kUsage;
    }

    if (keysCommand->parsed()) {
        ConsolePrompt prompt(err);
        return keysToScript(keys, form, out, prompt);
    }
    const auto home = ProgramDir::resolve(options.home);
    // What a command prints is held until it ends: a reading command that meets a damaged store
    // runs again, and its output is then printed once.
    HeldOutput held;
    const auto printHeld = [&](int status) {
        held.printTo(out);
        return status;
    };
    try {
        if (initCommand->parsed())
            return init(home, out, err);
        if (diffCommand->parsed())
            return diff(home, diffFiles[0], diffFiles[1], diffJson, out, err);
        if (demoCommand->parsed())
            return demoSetup(home, demoDir, demoUser, out, err);
        const bool writes = restoreCommand->parsed() ||
                            std::any_of(std::begin(edits), std::end(edits),
                                        [](const auto& e) { return e.second->parsed(); }) ||
                            std::any_of(std::begin(bulks), std::end(bulks), [](const auto& b) {
                                return b.second->parsed() && b.first != BulkCommand::Report &&
                                       b.first != BulkCommand::Find;
                            });
        // Questions are asked on a terminal only; elsewhere --yes must answer them.
        Session session(home, err, ::isatty(STDIN_FILENO) ? &in : nullptr, assumeYes);
        session.files().partHardLinks(partLinks);
        // A rollback copies an archive over the file: it holds the lock as a write does. A merge
        // does not: its tool writes the file, taking the lock itself.
        const bool locks = writes || rollbackCommand->parsed();
        if (locks)
            session.setWriting();
        const auto dispatch = [&](std::ostream& results) -> int {
            if (backupCommand->parsed() || rollbackCommand->parsed()) {
                const int parsed = session.parse("", false);
                if (parsed != kDone)
                    return parsed;
                return backupCommand->parsed() ? backup(session, results)
                                               : rollback(session, archive, results);
            }
            if (mergeCommand->parsed()) {
                const auto target = mergeFiles.size() == 2 ? mergeFiles.front() : std::string();
                const int parsed = session.parse(target, false);
                return parsed == kDone ? merge(session, mergeFiles.back(), results) : parsed;
            }
            if (whoamiCommand->parsed()) {
                const int found = session.discover();
                return found == kDone ? whoami(session, whoamiJson, results) : found;
            }
            const int parsed = session.parse(options.file, options.force);
            if (conflictsCommand->parsed())
                return parsed == kDone ? conflicts(session, conflictsJson, results) : parsed;
            if (restoreCommand->parsed())
                return parsed == kDone ? restore(session, restoreOptions, results) : parsed;
            for (const auto& [kind, command] : edits)
                if (command->parsed())
                    return parsed == kDone ? runEdit(kind, edit, session, results, in) : parsed;
            for (const auto& [kind, command] : bulks)
                if (command->parsed())
                    return parsed == kDone ? runBulk(kind, bulk, session, results) : parsed;
            if (parsed != kDone && parsed != kDamaged)
                return parsed;
            int status = kDone;
            if (parseCommand->parsed())
                results << session.countLabel() << '\n';
            else if (listCommand->parsed())
                status = list(session, options, results);
            else
                status = info(session, options, results);
            return parsed == kDamaged ? kDamaged : status;
        };
        try {
            return printHeld(dispatch(held));
        } catch (const StoreError& e) {
            if (!e.damaged() || session.storeRebuilt())
                throw;
            // The store is a cache of the file: a damaged one is replaced and the file read
            // again. A command that only reads runs again on it; a write is not repeated
            // blindly, since the file may already hold it.
            session.rebuildStore(e.what());
            if (!locks && !mergeCommand->parsed()) {
                held.discard();
                return printHeld(dispatch(held));
            }
            printHeld(kFailed);
            const int parsed = session.parse(options.file, true);
            if (parsed == kDone)
                err << "The command file was read again into the new store. Check whether it "
                       "holds your change, and run the command again if it does not.\n";
            return kFailed;
        }
    } catch (const StoreError& e) {
        printHeld(kFailed);
        err << "The command store failed: " << e.what() << " (Error # =" << e.code() << ")\n";
        return kFailed;
    } catch (const QuestionRefused& question) {
        printHeld(kQuestion);
        err << "This needs an answer: \"" << question.question
            << "\"\nRun qmk10 on a terminal, or give --yes to answer OK or Yes. Nothing was "
               "changed.\n";
        return kQuestion;
    }
}

} // namespace qmk::cli
