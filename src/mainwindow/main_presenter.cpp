#include "mainwindow/main_presenter.h"

#include "common/version.h"
#include "session/file_menu.h"
#include "session/file_utilities.h"
#include "session/notices.h"
#include "session/recent_files.h"
#include "store/statements.h"

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

fs::path MainPresenter::helpPage(int topic) const {
    return qmk::helpPage(home_, topic);
}

fs::path MainPresenter::optionsHelpPage() const {
    return qmk::helpPage(home_, kOptionsHelp);
}

void MainPresenter::keyConversionNotice(const std::function<void(int)>& showHelp) {
    qmk::keyConversionNotice(settings_, prompt_, showHelp);
}

void MainPresenter::setMenuNumbering(bool on) {
    setNumberMenus(settings_, on);
    spoken_.setNumbering(on);
}

fs::path MainPresenter::openDialogStart() {
    return qmk::openDialogStart(*store_, commandFile_);
}

fs::path MainPresenter::xmlImportDialogStart() {
    return qmk::xmlImportDialogStart(*store_, commandFile_);
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

} // namespace qmk
