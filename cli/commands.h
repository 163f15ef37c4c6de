#pragma once

#include "actions/command_run.h"
#include "console_prompt.h"

#include <CLI/CLI.hpp>
#include <deque>
#include <functional>
#include <iosfwd>
#include <string>

namespace qmk::cli {

using actions::CommandRun;
using enum actions::Exit;

// What every command shares: the program's directory, the command file it works on and how
// questions are answered.
struct SharedOptions {
    std::string home;
    std::string file; // empty: the current Dragon user's command file
    bool force = false;
    bool assumeYes = false;
    bool partLinks = false;
};

// One qmk10 command: its CLI11 subcommand and its handler.
struct Command {
    CLI::App* cli = nullptr;
    // A command that needs no store and no Dragon (init, diff, demo-setup, keys2script).
    std::function<int(const ProgramDir& home, std::ostream& out, std::ostream& err)> alone;
    // Opens what the command works on; kDone to go on to `run`.
    std::function<int(CommandRun&)> open;
    std::function<int(CommandRun&, std::ostream& results)> run;
    // Changes the command file: its lock is held from the read to the verified write.
    bool locks = false;
    // Runs again when the store proved damaged and was rebuilt. A write is never repeated
    // blindly, since the file may already hold it.
    bool repeatable = true;
    // Runs on a file that parsed with damage, and ends with its status (parse, list, info).
    bool showsDamage = false;

    // A command that writes the command file.
    void writes() {
        locks = true;
        repeatable = false;
    }
};

// The commands of qmk10, each added by the part of the tool that handles it.
class Commands {
public:
    Commands(CLI::App& app, SharedOptions& shared, std::istream& in)
        : app_(app), shared_(shared), in_(in) {}

    // A command on a command file: FILE, else the current Dragon user's, parsed before it runs.
    Command& onFile(const std::string& name, const std::string& description);
    // FILE as the command's next argument, parsed before the command runs.
    void takesFile(Command& command);
    // A command that opens something else: set its `open`, or its `alone`.
    Command& add(const std::string& name, const std::string& description);
    // The command given on the command line, once it is parsed.
    const Command* chosen() const;
    // --yes on `command`: questions are answered OK or Yes.
    void addYes(CLI::App* command, const std::string& description);

    SharedOptions& shared() { return shared_; }
    // Standard input, where a body is read from "-".
    std::istream& input() { return in_; }

private:
    CLI::App& app_;
    SharedOptions& shared_;
    std::istream& in_;
    std::deque<Command> commands_; // a deque: handlers keep their addresses
};

// The duplicate question's answers given on the command line.
inline const std::vector<std::string> kDuplicateAnswers{"ask",     "yes",    "no",
                                                        "yes-all", "no-all", "cancel"};

// The export's duplicate question: answered by --on-duplicate, or asked with its five buttons.
DuplicateQuestion duplicateQuestion(Prompt& prompt, const std::string& onDuplicate,
                                    const std::string& target, const std::string& source);
// The Program as the store holds it: upper case, but for the global name.
std::string storedProgram(const std::string& program);

void addFileCommands(Commands& commands); // init, parse, list, info
void addEditCommands(Commands& commands); // set-body ... new-list
void addKeysToScriptCommand(Commands& commands);
void addDragonCommands(Commands& commands);  // demo-setup, backup, rollback, merge, whoami
void addBulkCommands(Commands& commands);    // delete ... find
void addCompareCommands(Commands& commands); // diff, conflicts, restore
void addXmlImportCommand(Commands& commands);

} // namespace qmk::cli
