#pragma once

#include "actions/operation_context.h"
#include "actions/operation_run.h"
#include "common/file_io.h"
#include "common/file_lock.h"
#include "common/outcome.h"
#include "common/status_sink.h"
#include "common/version.h"
#include "loader/parser.h"
#include "platform/dragon_platform.h"
#include "session/backups.h"
#include "session/dragon_environment.h"
#include "session/merge.h"
#include "store/database.h"
#include "store/user_rows.h"
#include "writer/update_engine.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

namespace qmk::actions {

// Exit statuses of qmk10.
enum Exit : int { kDone = 0, kFailed = 1, kUsage = 2, kDamaged = 3, kQuestion = 4 };

// One run of a qmk10 command on a command file: trace, store and parser, as a start-up opens
// them, and the operations' engine on the file. Messages and questions go through `prompt`;
// `err` hears where to look next (the error log, the set-up to run first).
class CommandRun {
public:
    CommandRun(ProgramDir home, Prompt& prompt, std::ostream& err);

    // Opens the store and parses the file (skipped when unchanged unless forced); without a
    // file, the current Dragon user's command file. Returns the exit status: kDone, or the
    // failure already reported.
    int parse(const std::string& file, bool force);
    // This run writes the command file: `parse` first takes the file's lock, held until the
    // session ends, so that the read, the write and its verification are one cycle.
    void setWriting() { writing_ = true; }
    // Opens the store and discovers the Dragon environment; kDone, or the failure reported.
    int discover();
    const DragonEnvironment* dragon() const { return environment_.get(); }
    // Whether `file` is the current Dragon user's own command file; the Dragon environment is
    // looked for quietly when the command named a file.
    bool isUsersOwnFile(const std::filesystem::path& file);
    // The current Dragon user's own command file; empty when no Dragon user was found.
    std::filesystem::path usersOwnFile();
    // Before a write: today's archive of the current user's own command file (DragonEnvironment
    // found).
    void archiveBeforeWrite();
    // The archives of the current user, for backup and rollback; nullopt without DragonEnvironment.
    std::optional<Backups> backups();
    // After a write: parses the file again with force; when that fails the backup is copied
    // back and the failure reported.
    int verifyWrite();
    // A refusal shown as its message box; the status of a refused command.
    int refuse(const std::string& message, const std::string& title = "Quillmark10");
    // A writer's outcome: its refusal, or the file verified by a parse and `report` printed.
    int finishWrite(const Outcome& result, const std::string& report, std::ostream& out);
    // An operation's outcome: a refusal or cancel shown as a failure (a file put back is read
    // again); done, the file verified by a parse when written, then `report` and any second
    // message.
    int finish(const Outcome& outcome, const std::string& report, std::ostream& out);
    // Runs `attempt` (the command: what it opens, then its work). The store is a cache of the
    // file: one that proves damaged is set aside, an empty one built, and `attempt` run once
    // more when `repeatable` (`retrying` is told first). A write is never repeated blindly, so
    // `file` is read into the new store and the user asked to check it. A store that fails
    // otherwise is said with its error number. kFailed after any of these; kQuestion when the
    // prompt had no one to answer a question (nothing was changed).
    int runRecoveringStore(const std::function<int()>& attempt, bool repeatable,
                           const std::function<void()>& retrying, const std::string& file);
    // The store proved damaged: it is moved aside and an empty one takes its place, the user is
    // told what was kept; the caller parses the command file into it.
    void rebuildStore(const std::string& reason);
    bool storeRebuilt() const { return storeRebuilt_; }
    // The last parse found no command file at all: nothing of it, nor anything older, is shown.
    bool notACommandFile() const { return notACommandFile_; }
    // The open file's facts for the application layer, with the View's type letters.
    // An operation's engine on the file of this run and the session it runs in.
    actions::OperationRunPtr operationRun(ReportOutlets outlets = {});

    // The open file's rows in their order, and the names of the Scopes their `states` name.
    UserTable rows() { return UserTable(*db_); }
    std::map<std::int64_t, std::string> scopeNames();
    // The open file's Properties, as the File menu says them.
    struct FileInfo {
        FileProperties properties;
        std::int64_t commands = 0, lists = 0;
        std::string text;
    };
    FileInfo info();
    // `source` merged into the open file by Dragon's merge tool, with the current speaker's
    // language, or the file's own when no Dragon user was found.
    MergeOutcome mergeThroughDragon(const std::filesystem::path& source);

    Database& store() { return *db_; }
    const Parser& parser() const { return *parser_; }
    const std::string& countLabel() const { return status_.count(); }
    const ProgramDir& home() const { return home_; }
    Trace& trace() { return trace_; }
    Prompt& prompt() { return prompt_; }
    FileOps& files() { return files_; }
    WindowSystem& windows() { return dragon_.windows; }
    DragonEngine& engine() { return dragon_.engine; }

private:
    actions::OperationContext operationContext(UpdateEngine& engine, ReportOutlets outlets);
    ProgramDir home_;
    std::ostream& err_;
    Prompt& prompt_;
    CountKeeper status_;
    Trace trace_;
    FileOps files_;
    int openStore();

    std::unique_ptr<Database> db_;
    std::optional<Parser> parser_;
    // No back end over Dragon's own controls yet: the simulation stands in, for the Dragon
    // user's files and its check of a legacy script.
    SimulatedDragon dragon_;
    std::unique_ptr<DragonEnvironment> environment_;
    bool writing_ = false;
    bool storeRebuilt_ = false;
    bool notACommandFile_ = false;
    std::optional<std::filesystem::path> usersOwnFile_; // empty: no Dragon user found
    std::optional<std::filesystem::path> usersBaseDirectory_;
    std::optional<CommandFileLock> lock_;
};

} // namespace qmk::actions
