#include "actions/edit_rules.h"
#include "common/version.h"
#include "mainwindow/main_presenter.h"
#include "session/import_offer.h"
#include "store/store_recovery.h"

// The main window's start-up: the user and the file found, the store read, the first view.
namespace qmk {

namespace fs = std::filesystem;

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

} // namespace qmk
