#include "actions/command_run.h"

#include "common/text.h"
#include "common/utf8_path.h"
#include "format/damage_report.h"
#include "session/refresh.h"
#include "session/startup.h"
#include "store/places.h"
#include "store/statements.h"
#include "store/store_recovery.h"
#include "writer/update_engine.h"

#include <cstdlib>
#include <ostream>

namespace qmk::actions {

namespace fs = std::filesystem;

CommandRun::CommandRun(ProgramDir home, Prompt& prompt, std::ostream& err)
    : home_(std::move(home)), err_(err), prompt_(prompt), trace_(home_.file(files::kTrace), now()) {
}

int CommandRun::openStore() {
    if (db_)
        return kDone;
    const auto storeFile = home_.file(files::kStore);
    if (!fs::exists(storeFile)) {
        prompt_.message("Required Quillmark file global10.mdb missing--reinstall",
                        utf8Of(storeFile));
        err_ << "(run 'qmk10 --home " << utf8Of(home_.folder()) << " init' first)\n";
        return kUsage;
    }
    trace_.mark("", "", "");
    trace_.mark("qmk10", kVersion, now().display());
    db_ = openOrRebuildStore(storeFile, now(), prompt_, storeRebuilt_);
    return kDone;
}

void CommandRun::rebuildStore(const std::string& reason) {
    storeRebuilt_ = true;
    parser_.reset();
    db_.reset();
    db_ = rebuildDamagedStore(home_.file(files::kStore), now(), reason, prompt_);
}

int CommandRun::runRecoveringStore(const std::function<int()>& attempt, bool repeatable,
                                   const std::function<void()>& retrying, const std::string& file) {
    try {
        try {
            return attempt();
        } catch (const StoreError& e) {
            if (!e.damaged() || storeRebuilt_)
                throw;
            rebuildStore(e.what());
            if (repeatable) {
                retrying();
                return attempt();
            }
            if (parse(file, true) == kDone)
                err_ << "The command file was read again into the new store. Check whether it "
                        "holds your change, and run the command again if it does not.\n";
            return kFailed;
        }
    } catch (const StoreError& e) {
        err_ << "The command store failed: " << e.what() << " (Error # =" << e.code() << ")\n";
        return kFailed;
    } catch (const Prompt::Unanswered& question) {
        err_ << "This needs an answer: \"" << question.question
             << "\"\nRun qmk10 on a terminal, or give --yes to answer OK or Yes. Nothing was "
                "changed.\n";
        return kQuestion;
    }
}

int CommandRun::discover() {
    if (const int opened = openStore(); opened != kDone)
        return opened;
    environment_ = std::make_unique<DragonEnvironment>(prompt_, trace_, dragon_.engine);
    environment_->setStoreName(files::kStore);
    environment_->initialize(home_.folder(), *db_);
    return environment_->initFailed ? kUsage : kDone;
}

int CommandRun::parse(const std::string& file, bool force) {
    if (const int opened = openStore(); opened != kDone)
        return opened;
    fs::path userDirectory;
    if (file.empty()) {
        if (const int found = discover(); found != kDone)
            return found;
        userDirectory = pathFromUtf8(environment_->currentUserDirectory);
    }
    if (writing_ && !lock_) {
        const auto target =
            file.empty() ? fs::path(userDirectory) / kCommandFileName : pathFromUtf8(file);
        std::string whyNot;
        lock_ = CommandFileLock::acquire(target, std::chrono::seconds(20), &whyNot);
        if (!lock_) {
            prompt_.message(whyNot, utf8Of(target));
            return kFailed;
        }
    }
    parser_.emplace(ParseContext{home_, *db_, trace_, status_, prompt_, userDirectory});
    auto result = parser_->parse(force, file);
    if (result.status == ParseStatus::StoreDamaged && !storeRebuilt_) {
        rebuildStore(result.message);
        parser_.emplace(ParseContext{home_, *db_, trace_, status_, prompt_, userDirectory});
        result = parser_->parse(true, file);
    }
    notACommandFile_ = result.status == ParseStatus::NotACommandFile;
    if (result.ok())
        return kDone;
    prompt_.message(result.message, result.title);
    switch (result.status) {
    case ParseStatus::Damaged:
        if (!parser_->damage().empty())
            prompt_.message(parser_->damage(), result.title);
        appendTraceToErrorLog(files_, home_.file(files::kErrorLog), trace_.file());
        err_ << "see " << utf8Of(home_.file(files::kErrorLog)) << '\n';
        return kDamaged;
    case ParseStatus::NotACommandFile:
        return kDamaged;
    case ParseStatus::CommandFileMissing:
    case ParseStatus::KeyNamesMissing:
        return kUsage;
    default:
        return kFailed;
    }
}

namespace {

// Discovery that is only asked whether a file is the user's own: it says nothing.
class QuietPrompt final : public Prompt {
public:
    void message(const std::string&, const std::string&) override {}
    Answer ask(const std::string&, const std::string&, Buttons buttons) override {
        return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    }
    std::size_t choose(const std::string&, const std::string&,
                       const std::vector<std::string>& buttons) override {
        return buttons.empty() ? 0 : buttons.size() - 1;
    }
};

} // namespace

bool CommandRun::isUsersOwnFile(const fs::path& file) {
    const auto own = usersOwnFile();
    return !own.empty() && sameFile(file, own);
}

fs::path CommandRun::usersOwnFile() {
    if (environment_)
        return environment_->initFailed ? fs::path() : fs::path(environment_->usersOwnFile());
    if (!db_)
        return {};
    // The user's own file is found once a run, however many operations ask.
    if (!usersOwnFile_) {
        QuietPrompt quiet;
        DragonEnvironment found(quiet, trace_, dragon_.engine);
        found.setStoreName(files::kStore);
        found.initialize(home_.folder(), *db_, DragonEnvironment::Store::LeaveAlone);
        usersOwnFile_ = found.initFailed ? fs::path() : fs::path(found.usersOwnFile());
        usersBaseDirectory_ = found.initFailed ? fs::path() : pathFromUtf8(found.userBaseDirectory);
    }
    return *usersOwnFile_;
}

std::optional<Backups> CommandRun::backups() {
    if (!environment_)
        return std::nullopt;
    return Backups(home_, environment_->userBaseDirectory, files_, prompt_);
}

void CommandRun::archiveBeforeWrite() {
    if (!parser_)
        return;
    if (auto archives = backups()) {
        archives->archiveBeforeWrite(parser_->commandFile(), false, now());
        return;
    }
    // The user's own file named on the command line is archived as when it is found.
    if (isUsersOwnFile(parser_->commandFile()) && usersBaseDirectory_)
        Backups(home_, utf8Of(*usersBaseDirectory_), files_, prompt_)
            .archiveBeforeWrite(parser_->commandFile(), false, now());
}

int CommandRun::refuse(const std::string& message, const std::string& title) {
    prompt_.message(message, title);
    return kFailed;
}

int CommandRun::finishWrite(const Outcome& result, const std::string& report, std::ostream& out) {
    if (!result.done())
        return refuse(result.message, result.title);
    const int verified = verifyWrite();
    if (verified == kDone)
        out << report << '\n';
    return verified;
}

int CommandRun::finish(const Outcome& outcome, const std::string& report, std::ostream& out) {
    if (!outcome.done()) {
        if (!outcome.message.empty())
            prompt_.message(outcome.message, outcome.title);
        if (outcome.fileChanged)
            verifyWrite(); // a failed step put the file back: the store reads it again
        return kFailed;
    }
    if (outcome.fileChanged)
        if (const int verified = verifyWrite(); verified != kDone)
            return verified;
    out << report << '\n';
    if (!outcome.followUp.empty())
        prompt_.message(outcome.followUp, outcome.title);
    return kDone;
}

actions::OperationRunPtr CommandRun::operationRun(ReportOutlets outlets) {
    return std::make_unique<actions::OperationRun>(
        EngineContext{home_, *db_, trace_, files_, parser_->commandFile()},
        [&](UpdateEngine& engine) { return operationContext(engine, std::move(outlets)); });
}

actions::OperationContext CommandRun::operationContext(UpdateEngine& engine,
                                                       ReportOutlets outlets) {
    return {*db_,
            engine,
            prompt_,
            home_,
            parser_->commandFile(),
            isUsersOwnFile(parser_->commandFile()),
            parser_->properties().languageName,
            std::move(outlets),
            [] { return false; }, // the file was read at the start of this run
            [this] { archiveBeforeWrite(); },
            {},
            {},
            [this](const std::string& script) { return dragon_.voice.checkScript(script); },
            usersOwnFile()};
}

int CommandRun::verifyWrite() {
    return refreshWithVerification(*parser_, parser_->commandFile(), home_, files_, prompt_, trace_)
               ? kDone
               : kFailed;
}

std::map<std::int64_t, std::string> CommandRun::scopeNames() {
    return places::stateNames(*db_);
}

CommandRun::FileInfo CommandRun::info() {
    FileInfo facts{
        parser_->properties(), statements::countCommands(*db_), statements::countLists(*db_), {}};
    facts.text =
        propertiesText(parser_->commandFile(), facts.properties, facts.commands, facts.lists);
    return facts;
}

MergeOutcome CommandRun::mergeThroughDragon(const fs::path& source) {
    const auto code = environment_ ? languageOfLcid(static_cast<std::uint32_t>(std::atoi(
                                                        environment_->speakerLanguageId.c_str())))
                                         .value_or(0)
                                   : parser_->properties().languageCode;
    PollingLoop waits; // nothing but the tool to wait for in a command-line run
    return runToEnd(mergeThroughTool(findDragonWindow(dragon_.windows, dragon_.engine).mergeTool,
                                     parser_->commandFile(), source, code, trace_, waits));
}

} // namespace qmk::actions
