#include "mainwindow/main_presenter.h"

#include "actions/edit_rules.h"
#include "actions/file_actions.h"
#include "actions/xml_actions.h"
#include "common/file_time.h"
#include "common/utf8_path.h"
#include "common/version.h"
#include "format/damage_report.h"
#include "mainwindow/tools_runner.h"
#include "session/file_menu.h"
#include "session/file_utilities.h"
#include "session/import_offer.h"
#include "session/recent_files.h"
#include "session/startup.h"
#include "store/places.h"
#include "store/statements.h"
#include "store/store_recovery.h"
#include "tools/tools_dialog.h"

namespace qmk {

namespace fs = std::filesystem;

MainPresenter::MainPresenter(ProgramDir home, DragonPlatform dragon, Prompt& prompt,
                             StatusSink& status, SaveCycleView& view, MessageLoop* loop)
    : home_(std::move(home)), prompt_(prompt), status_(status), view_(view),
      trace_(home_.file(files::kTrace), now()), settings_(home_.file(kSettingsFile)),
      windows_(dragon.windows), engine_(dragon.engine), microphone_(dragon.microphone),
      voice_(dragon.voice), loop_(loop ? *loop : waitsInPlace_) {
    waitsInPlace_.addSource([this] { engine_.pump(); });
    gate_.refuseWhile([this] { return loop_.paused(); });
    gate_.onRefusal([this](const std::string& whatToDo) {
        status_.setProgress(whatToDo);
        browser_.touch(); // the window shows the edit again where the input moved away from it
    });
}

MainPresenter::~MainPresenter() = default;

bool MainPresenter::start(const std::string& commandLine) {
    const auto front = windows_.foreground();
    const auto storeFile = home_.file(files::kStore);
    if (!fs::exists(storeFile)) {
        prompt_.notify(Prompt::Kind::Error,
                       "Required Quillmark file global10.mdb missing--reinstall",
                       utf8Of(storeFile));
        return false;
    }
    trace_.mark("", "", "");
    trace_.mark("quillmark10", kVersion, now().display());
    try {
        bool rebuilt = false;
        store_ = openOrRebuildStore(storeFile, now(), prompt_, rebuilt);
    } catch (const std::exception&) {
        prompt_.notify(Prompt::Kind::Error, "Could not open global10.mdb database, sorry",
                       "QMK10 will now exit");
        return false;
    }
    for (const char* step : {"after open db", "after open user", "after open parameters",
                             "after open dvcmap", "after open states"})
        trace_.mark(step);
    if (!registerWithDragon(engine_, microphone_, voice_, prompt_, trace_))
        return false;
    environment_ = std::make_unique<DragonEnvironment>(prompt_, trace_, engine_);
    environment_->setStoreName(files::kStore);
    environment_->initialize(home_.folder(), *store_);
    if (environment_->initFailed)
        return false;
    spoken_.registerWindowCommands();
    voice_.onRecognised([this](int identifier, const std::string& words) {
        spoken_.recognised(identifier, words);
    });
    const auto dragon = findDragonWindow(windows_, engine_);
    trace_.mark("after voice commands");

    parser_.emplace(ParseContext{home_, *store_, trace_, status_, prompt_,
                                 pathFromUtf8(environment_->currentUserDirectory)});
    commandFile_ = environment_->usersOwnFile();
    auto parsed = parser_->parse(false, "");
    if (parsed.status == ParseStatus::StoreDamaged) {
        // The store is a cache of the file: a damaged one is set aside and built again.
        parser_.reset();
        store_.reset();
        store_ = rebuildDamagedStore(storeFile, now(), parsed.message, prompt_);
        parser_.emplace(ParseContext{home_, *store_, trace_, status_, prompt_,
                                     pathFromUtf8(environment_->currentUserDirectory)});
        parsed = parser_->parse(true, "");
    }
    if (!parsed.ok()) {
        prompt_.notify(Prompt::Kind::Error,
                       "I'm sorry.  Quillmark10 cannot correctly parse this file.\r\nPlease send "
                       "your file above to Tarnwell. Please send at least:\r\n\r\n" +
                           utf8Of(home_.folder()) + "\\error.log and trace.qmk10",
                       utf8Of(commandFile_));
        return false;
    }
    askAboutHardLinks(commandFile_);
    try {
        return finishStart(commandLine, front, dragon);
    } catch (const StoreError& error) {
        if (!error.damaged())
            throw;
        // Damage the parse did not meet (it reads only the file's time when the file is
        // unchanged): the store is set aside now and built from the file at the next start.
        const auto rebuilt = replaceDamagedStore(storeFile, now());
        prompt_.message(rebuilt.message(error.what()) + "\r\nStart Quillmark10 again to use it.",
                        kStoreRebuiltTitle);
        return false;
    }
}

// The start from the parsed file on: the save cycle, the settings, the first view.
bool MainPresenter::finishStart(const std::string& commandLine,
                                const std::optional<WindowInfo>& front,
                                const DragonWindow& dragon) {
    startupUser_ = environment_->currentUser;
    cycle_ = std::make_unique<SaveCycle>(SaveCycle::Parts{*parser_, *store_, *environment_,
                                                          settings_, engine_, microphone_, windows_,
                                                          loop_, prompt_, status_, trace_, files_,
                                                          home_, dragon.mergeTool},
                                         view_);
    cycle_->setCommandFile(commandFile_);
    cycle_->setStartupUser(startupUser_);
    engine_.setEvents({[this](const std::string& speaker) { cycle_->speakerChanged(speaker); },
                       [this] { cycle_->userLoaded(); }});
    rollbackFor(startupUser_);

    trace_.mark("before getoptions");
    loadSettings();
    trace_.mark("after getoptions");
    place_(values_);
    trace_.mark("after window placement");
    browser_.setStore(store_.get());
    spoken_.setNumbering(values_.numberMenus);
    browser_.onSelectorBuilt([this](SelectorKind kind) { spoken_.selectorBuilt(kind); });
    // The window in front from now on: the scripts of the voice menus type into it.
    windows_.frontOwnWindow([this](const std::vector<KeyStroke>& keys) { spoken_.keys(keys); });
    finder_ = std::make_unique<Finder>(*store_, browser_, prompt_);
    editor_ = std::make_unique<Editor>(Editor::Parts{
        *store_, browser_, prompt_, status_, trace_, files_, home_, *cycle_, voice_, engine_,
        windows_, loop_, [this]() -> RecentHistory& { return *history_; },
        [this] { return commandFile_; }, [this] { return parser_->properties().generation; },
        [this] { archiveBeforeWrite(); }, [this](const std::string& body) { clipboard_(body); },
        [this] { return status_.progress; },
        [this] {
            if (values_.slider == 10)
                slider_(8);
        }});
    browser_.setEnglish([this] { return englishLanguage(languageName()); });
    browser_.start();

    trace_.mark("before form 2 load");
    const auto first = chooseFirstView(commandLine, front ? front->title : "",
                                       front ? front->programFile : "", *store_, trace_);
    if (!first.missingFile.empty())
        prompt_.notify(Prompt::Kind::Warning, "File does not exist", first.missingFile);
    if (!first.openFile.empty())
        return openFile(first.openFile, true);
    // The browser starts on Global Commands: that first view is not filled a second time.
    if (first.program != browser_.currentProgram() || first.scope != browser_.currentScope()) {
        browser_.setCurrent(first.program, first.scope);
        browser_.reset(CommandsTab);
    }
    return true;
}

// A file with several names (hard links) parts from the others at its first change: asked
// once, when it is opened, whether changes may go on.
void MainPresenter::askAboutHardLinks(const fs::path& file) {
    files_.partHardLinks(false);
    const auto links = hardLinkCount(file);
    if (links < 2)
        return;
    const auto answer = prompt_.ask(
        utf8Of(file) + " has " + std::to_string(links) +
            " names (hard links). A change gives this name a file of its own; the other names "
            "keep the commands as they are now.\r\n\r\nAllow changes to it?",
        "Quillmark10", Prompt::Buttons::YesNo);
    files_.partHardLinks(answer == Prompt::Answer::Yes);
}

bool MainPresenter::offerImport() {
    // The launch commands belong in the user's own file: another file shown gets no offer.
    if (!productionOpen())
        return true;
    cycle_->run(importLaunchCommands());
    return !cycle_->ended();
}

Task<void> MainPresenter::importLaunchCommands() {
    const auto outcome =
        co_await offerLaunchCommands(*store_, settings_, prompt_, engine_, home_, *cycle_);
    if (outcome == ImportOutcome::Imported)
        browser_.reset(-1);
}

// The settings, with the Recently Modified history of the command file shown.
void MainPresenter::loadSettings() {
    values_ = settings_.load(commandFile_);
    history_ = std::make_unique<RecentHistory>(settings_, trace_, commandFile_, values_.recent);
    browser_.setHistory(history_->entries());
}

void MainPresenter::rollbackFor(const std::string& user) {
    rollbackUser_ = user;
    Backups backups(home_, environment_->userBaseDirectory, files_, prompt_);
    backups.archiveBeforeWrite(commandFile_, false, now());
    rollbackList_ = backups.archivesOfThisMonth(user, now());
}

std::pair<std::string, std::string> MainPresenter::rollbackCaptions() const {
    return {"Restore user '" + rollbackUser_ + "' &mycmds.dat",
            "Bac&kup user '" + rollbackUser_ + "' mycmds.dat"};
}

std::string MainPresenter::caption() {
    return windowCaption(commandFile_, engine_.directoryText(),
                         parser_ ? parser_->properties().generationLabel : "10.x");
}

bool MainPresenter::openFile(const fs::path& file, bool atStart) {
    if (!gate_.allowsLeaving())
        return true;
    Backups backups(home_, environment_ ? environment_->userBaseDirectory : "", files_, prompt_);
    const auto opened = openCommandFile(file, *parser_, *store_, backups, prompt_, trace_, home_,
                                        atStart ? fs::path() : commandFile_);
    if (opened.endProgram)
        return false;
    if (!opened.opened)
        return true;
    commandFile_ = file;
    cycle_->setCommandFile(file);
    RecentFiles(settings_).add(utf8Of(file));
    askAboutHardLinks(file);
    if (opened.rollbackUser)
        rollbackFor(*opened.rollbackUser);
    startAtFirstCommand();
    return true;
}

// A file opened or reloaded shows its first command, or Global Commands when it has none.
void MainPresenter::startAtFirstCommand() {
    browser_.start();
    if (const auto first = places::firstCommandPlace(*store_))
        browser_.setCurrent(first->program, first->scope);
    browser_.reset(CommandsTab);
    loadSettings();
}

void MainPresenter::sliderMoved(int position) {
    values_.slider = position;
    settings_.write("slider", std::to_string(position));
}

void MainPresenter::setFonts(const std::string& face, int size, const std::string& fixedFace,
                             int fixedSize) {
    values_.font = face;
    values_.fontSize = size;
    values_.fixedFont = fixedFace;
    values_.fixedFontSize = fixedSize;
    settings_.write("font", face);
    settings_.write("fontsize", std::to_string(size));
    settings_.write("fixedfont", fixedFace);
    settings_.write("fixedfontsize", std::to_string(fixedSize));
}

std::string MainPresenter::aboutText() const {
    return "Quillmark10 " + std::string(kVersion) +
           "\r\nA viewer and editor of Dragon's custom voice commands\r\n\r\nReleased under the "
           "MIT licence; it comes with no warranty.\r\n\r\nProgram directory:\r\n" +
           utf8Of(home_.folder()) + "\r\n\r\nCommand file in use:\r\n" +
           (commandFile_.empty() ? std::string("none") : utf8Of(commandFile_));
}

std::vector<std::string> MainPresenter::recentFiles() const {
    return RecentFiles(settings_).list();
}

bool MainPresenter::reload() {
    if (!gate_.allowsLeaving())
        return true;
    commandFile_ = environment_->usersOwnFile();
    cycle_->setCommandFile(commandFile_);
    const auto parsed = parser_->parse(true, utf8Of(commandFile_));
    if (!parsed.ok()) {
        prompt_.notify(Prompt::Kind::Error, parsed.message, parsed.title);
        return false;
    }
    // The Group goes back to "All groups"; the Program and Scope shown stay where they were.
    const auto program = browser_.currentProgram(), scope = browser_.currentScope();
    browser_.start();
    browser_.setCurrent(program, scope);
    browser_.reset(CommandsTab);
    loadSettings();
    return true;
}

bool MainPresenter::restore(const std::string& archive) {
    if (archive == "none to rollback" || !gate_.allowsLeaving())
        return true;
    Backups backups(home_, environment_->userBaseDirectory, files_, prompt_);
    const auto target = pathFromUtf8(environment_->userBaseDirectory) /
                        pathFromUtf8(rollbackUser_) / "current" / "mycmds.dat";
    // The restored file is read back into the store and shown; a restore that did not happen
    // leaves the file shown as it was.
    const auto restored = backups.restore(
        rollbackUser_, archive, target, [&] { return parser_->parse(true, utf8Of(target)).ok(); });
    if (!restored) {
        if (!parser_->parse(false, utf8Of(commandFile_)).ok())
            return cycle_->refresh();
        return true;
    }
    commandFile_ = target;
    cycle_->setCommandFile(target);
    startAtFirstCommand();
    // Dragon takes the restored file up through the save cycle.
    if (environment_->isUsersOwnFile(utf8Of(commandFile_)) &&
        windows_.findByTitle("Dragon NaturallySpeaking"))
        cycle_->save(false);
    return !cycle_->ended();
}

fs::path MainPresenter::archivePath(const std::string& archive) {
    return Backups(home_, environment_ ? environment_->userBaseDirectory : "", files_, prompt_)
               .archiveFolder(rollbackUser_) /
           pathFromUtf8(archive);
}

bool MainPresenter::afterTools(const ToolsOutcome& outcome) {
    setProgress(""); // whatever the tool said while it ran is over
    if (!outcome.newGroup.empty() || outcome.allGroups) {
        browser_.buildGroupList();
        const auto& groups = browser_.groups().entries;
        const auto wanted = outcome.allGroups ? std::string(kAllGroups) : outcome.newGroup;
        for (int i = 0; i < static_cast<int>(groups.size()); ++i)
            if (groups[static_cast<std::size_t>(i)] == wanted)
                browser_.selectGroup(i);
    }
    // A written file goes through the save cycle, so that Dragon takes it up; one another
    // program changed is read again.
    // What follows the tool comes once Dragon took the change up.
    const auto finish = [this, exported = outcome.openExported] {
        if (!exported.empty() && !openFile(exported))
            return false;
        browser_.reset(-1);
        return true;
    };
    if (outcome.fileChanged) {
        cycle_->save(false, [this, finish] {
            if (!finish())
                view_.closeProgram();
        });
        return !cycle_->ended();
    }
    if (outcome.readAgain)
        cycle_->refresh();
    return !cycle_->ended() && finish();
}

void MainPresenter::afterWrite() {
    cycle_->save(false);
}

void MainPresenter::refreshed() {
    if (history_ && store_) {
        history_->writeOut(*store_);
        browser_.setHistory(history_->entries());
    }
    browser_.rebuildSelectors();
    browser_.reset(-1);
}

// The rollback list is always that of the user whose captions the File menu shows.
void MainPresenter::archiveBeforeWrite() {
    Backups backups(home_, environment_->userBaseDirectory, files_, prompt_);
    backups.archiveBeforeWrite(commandFile_, false, now());
    rollbackList_ = backups.archivesOfThisMonth(rollbackUser_, now());
}

void MainPresenter::backup() {
    Backups backups(home_, environment_->userBaseDirectory, files_, prompt_);
    backups.archiveBeforeWrite(commandFile_, true, now());
    rollbackList_ = backups.archivesOfThisMonth(rollbackUser_, now());
}

bool MainPresenter::reset() {
    if (!gate_.allowsLeaving())
        return false;
    // Reset empties the store and ends the program: nothing happens unless the user says so.
    if (!Prompt::goesOn(prompt_.ask(kResetQuestion, "Reset", Prompt::Buttons::OkCancel)))
        return false;
    resetStore(*store_, prompt_);
    return true;
}

std::string MainPresenter::properties() {
    return propertiesText(commandFile_, parser_->properties(), statements::countCommands(*store_),
                          statements::countLists(*store_));
}

void MainPresenter::close(int left, int top, int right, int bottom, bool maximized) {
    settings_.savePlacement(left, top, right, bottom, maximized);
    if (store_)
        compactStore(store_, home_.file(files::kStore), false, trace_);
}

void MainPresenter::pump() {
    engine_.pump();
}

actions::OperationRunPtr MainPresenter::operationRun(Prompt& prompt) {
    return std::make_unique<actions::OperationRun>(
        EngineContext{home_, *store_, trace_, files_, commandFile_},
        [&](UpdateEngine& engine) { return operationContext(engine, prompt); });
}

actions::OperationContext MainPresenter::operationContext(UpdateEngine& engine, Prompt& prompt) {
    ReportOutlets outlets;
    outlets.shown = [this](const UserRow& row) { return browser_.passesView(row); };
    return {*store_,
            engine,
            prompt,
            home_,
            commandFile_,
            productionOpen(),
            languageName(),
            std::move(outlets),
            [this] { return cycle_->externalChange(false); },
            [this] { archiveBeforeWrite(); },
            [this](const std::string& text) { setProgress(text); },
            {},
            [this](const std::string& script) { return voice_.checkScript(script); },
            environment_ ? environment_->usersOwnFile() : fs::path()};
}

bool MainPresenter::convertFormat(const std::string& label) {
    if (!gate_.allowsLeaving())
        return false;
    return finishConversion(actions::convertFileFormat(operationRun(prompt_)->context(), label));
}

bool MainPresenter::convertLanguage(const std::string& choice) {
    if (!gate_.allowsLeaving())
        return false;
    return finishConversion(actions::convertFileLanguage(operationRun(prompt_)->context(), choice));
}

Outcome MainPresenter::exportXml(const ReportRequest& request, xmltext::Encoding encoding) {
    std::string summary;
    auto outcome = actions::exportXml(operationRun(prompt_)->context(), request, request.file,
                                      encoding, &summary);
    if (outcome.done())
        outcome.message += "\r\n" + summary;
    return outcome;
}

Outcome MainPresenter::writeReport(const ReportRequest& request, ReportOutlets outlets) {
    const auto work = operationRun(prompt_);
    work->context().outlets = std::move(outlets);
    return actions::writeReport(work->context(), request);
}

void MainPresenter::importXml(const std::filesystem::path& xml) {
    if (!gate_.allowsLeaving())
        return;
    const auto work = operationRun(prompt_);
    auto& session = work->context();
    session.duplicates = duplicatePrompt(prompt_, utf8Of(commandFile_), utf8Of(xml));
    actions::XmlImport request{xml, false};
    std::string summary;
    auto outcome = actions::importXmlIntoOpenFile(session, request, &summary);
    if (!outcome.unfit.empty()) {
        if (!Prompt::goesOn(prompt_.ask(outcome.message + "\r\n\r\nImport the rest without them?",
                                        outcome.title, Prompt::Buttons::YesNo)))
            return;
        request.skipUnfit = true;
        outcome = actions::importXmlIntoOpenFile(session, request, &summary);
    }
    if (outcome.done())
        outcome.message += "\r\n" + summary;
    finishConversion(outcome);
}

std::string MainPresenter::languageStatus() {
    return actions::languageDialogStatus(productionOpen(), languageName());
}

bool MainPresenter::finishConversion(const Outcome& outcome) {
    showOutcome(prompt_, outcome);
    if (outcome.done() && outcome.fileChanged)
        cycle_->save(false);
    if (outcome.code == Outcome::Code::Stale || outcome.fileChanged)
        browser_.reset(-1);
    return outcome.done() || outcome.code == Outcome::Code::Stale ||
           outcome.code == Outcome::Code::Failed;
}

} // namespace qmk
