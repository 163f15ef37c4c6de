#include "cli.h"

#include "commands.h"
#include "common/native.h"
#include "common/utf8_path.h"
#include "held_output.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <ostream>

namespace qmk::cli {

namespace {

// A program directory or file the system refuses: said, never an abort.
int cannotUse(const std::filesystem::filesystem_error& error, std::ostream& err) {
    err << "Quillmark10 could not use " << utf8Of(error.path1()) << ": " << error.code().message()
        << '\n';
    return kFailed;
}

// Opens what `command` works on and runs it; a file that parsed with damage still shows.
int openAndRun(const Command& command, CommandRun& session, std::ostream& results) {
    const int opened = command.open(session);
    if (opened == kDone)
        return command.run(session, results);
    // A damaged file shows what was read before the damage; a file that is no command file at all
    // shows nothing, never what the store held before.
    if (opened != kDamaged || !command.showsDamage || session.notACommandFile())
        return opened;
    command.run(session, results);
    return kDamaged;
}

// Runs `command` on a session; a store that proves damaged is set aside and built again.
int runInSession(const Command& command, const SharedOptions& shared, const ProgramDir& home,
                 std::ostream& out, std::ostream& err, std::istream& in) {
    // What a command prints is held until it ends: a reading command that meets a damaged store
    // runs again, and its output is then printed once.
    HeldOutput held;
    const auto printHeld = [&](int status) {
        held.printTo(out);
        return status;
    };
    try {
        // Questions are asked on a terminal only; elsewhere --yes must answer them.
        ConsolePrompt prompt(err, native::inputIsTerminal() ? &in : nullptr, shared.assumeYes);
        CommandRun session(home, prompt, err);
        session.files().partHardLinks(shared.partLinks);
        if (command.locks)
            session.setWriting();
        return printHeld(
            session.runRecoveringStore([&] { return openAndRun(command, session, held); },
                                       command.repeatable, [&] { held.discard(); }, shared.file));
    } catch (const std::filesystem::filesystem_error& e) {
        printHeld(kFailed);
        return cannotUse(e, err);
    }
}

} // namespace

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    return run(argc, argv, out, err, std::cin);
}

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err, std::istream& in) {
    CLI::App app{"qmk10: reads and edits Dragon command files (mycmds.dat)", "qmk10"};
    app.require_subcommand(1);
    SharedOptions shared;
    app.add_option("--home", shared.home,
                   "The program's directory (else $QUILLMARK10_HOME, else the per-user data "
                   "folder)");
    app.set_version_flag("--version", kVersion);
    app.add_flag("--part-links", shared.partLinks,
                 "Write a command file that has several hard links: the name given gets a file "
                 "of its own, the other names keep the old commands");
    Commands commands(app, shared, in);
    addFileCommands(commands);
    addEditCommands(commands);
    addDragonCommands(commands);
    addBulkCommands(commands);
    addCompareCommands(commands);
    addXmlImportCommand(commands);
    addKeysToScriptCommand(commands);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, out, err);
        return code == 0 ? kDone : kUsage;
    }
    const auto& command = *commands.chosen();
    try {
        const auto home = ProgramDir::resolve(shared.home);
        if (command.alone)
            return command.alone(home, out, err);
        return runInSession(command, shared, home, out, err, in);
    } catch (const std::filesystem::filesystem_error& e) {
        return cannotUse(e, err);
    }
}

} // namespace qmk::cli
