#pragma once

#include "actions/operation_context.h"
#include "actions/operation_run.h"
#include "common/file_io.h"
#include "common/message_loop.h"
#include "common/program_dir.h"
#include "common/prompt.h"
#include "common/status_sink.h"
#include "common/trace.h"
#include "common/utf8_path.h"
#include "format/xml_encoding.h"
#include "loader/parser.h"
#include "mainwindow/browser.h"
#include "mainwindow/editor.h"
#include "mainwindow/finder.h"
#include "mainwindow/history.h"
#include "mainwindow/spoken_controls.h"
#include "mainwindow/tools_runner.h"
#include "platform/dragon_engine.h"
#include "platform/dragon_platform.h"
#include "platform/microphone.h"
#include "platform/voice_command.h"
#include "platform/window_system.h"
#include "session/backups.h"
#include "session/dragon_environment.h"
#include "session/save_cycle.h"
#include "session/settings.h"
#include "session/startup.h"
#include "store/database.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qmk {

// Everything one run of the main window holds apart from its widgets: the trace, the store,
// Dragon's controls, the user found, the command file shown, the browsing model and the save
// cycle. `start` is the window's start-up; the File menu's operations follow it.
class MainPresenter {
public:
    // `loop`: the window's, on which waits for Dragon pause; without one they wait in place.
    MainPresenter(ProgramDir home, DragonPlatform dragon, Prompt& prompt, StatusSink& status,
                  SaveCycleView& view, MessageLoop* loop = nullptr);
    ~MainPresenter();

    // The start-up of the main window. False when a step failed after its message: the program
    // ends.
    bool start(const std::string& commandLine);
    // The last step of start-up, once the window shows: the offer to import the launch
    // commands. False when the program is to end.
    bool offerImport();
    bool started() const { return cycle_ != nullptr; }
    // After the command file was read again: the history pruned and saved, the view built again.
    void refreshed();

    // File menu.
    // False: the program ends. Once the window runs, a file that cannot be read leaves the one
    // shown open; at start there is none to fall back on.
    bool openFile(const std::filesystem::path& file, bool atStart = false);
    bool reload(); // false: the program ends
    bool reset();  // asks first; true: the store was emptied and the program must close
    std::string properties();
    // Rollback: an archive of this month put back (after the user's OK), and the manual backup.
    // Restore returns false when the program must end.
    bool restore(const std::string& archive);
    void backup();
    // Closing: the placement stored, the store compacted when it has grown large.
    void close(int left, int top, int right, int bottom, bool maximized);

    Browser& browser() { return browser_; }
    // Every input that would show another item, file or view asks first: while an edit is open
    // it is refused, and the status line says why.
    bool mayLeave() { return gate_.allowsLeaving(); }
    Finder& finder() { return *finder_; }
    Editor& editor() { return *editor_; }
    SpokenControls& spoken() { return spoken_; }
    // Start-up restores the window's placement from the settings once they are read, before the
    // first view is chosen.
    void setPlacement(std::function<void(const SettingValues&)> place) {
        place_ = std::move(place);
    }
    // The window's pane slider, which "slider 3" moves; the window tells where it stands.
    void setSlider(std::function<void(int)> move) { slider_ = std::move(move); }
    // The slider moved, by the user or with the splitter: kept in the settings at once.
    void sliderMoved(int position);
    // The fonts chosen in Options: kept in the settings at once.
    // The lists' face and size, and the body's (with the Recently lists').
    void setFonts(const std::string& face, int size, const std::string& fixedFace, int fixedSize);
    // Where Save puts the body when the file changed behind the program's back.
    void setClipboard(std::function<void(const std::string&)> copy) {
        clipboard_ = std::move(copy);
    }
    const std::string& statusText() const { return status_.progress; }
    void setProgress(const std::string& text) { status_.setProgress(text); }
    RecentHistory& history() { return *history_; }
    Prompt& prompt() { return prompt_; }
    StatusSink& status() { return status_; }
    SaveCycle& saveCycle() { return *cycle_; }
    Database& store() { return *store_; }
    Trace& trace() { return trace_; }
    FileOps& files() { return files_; }
    // Today's archive of the user's own file, before a write, and the rollback list again.
    void archiveBeforeWrite();
    bool productionOpen() {
        return environment_ && environment_->isUsersOwnFile(utf8Of(commandFile_));
    }
    std::string languageName() const { return parser_ ? parser_->properties().languageName : ""; }
    // An operation's engine on the open file, and the file's facts it needs: the View filter,
    // the external-change check, the day's archive and the progress line of this window.
    actions::OperationRunPtr operationRun(Prompt& prompt);
    // Tools menu: the open file rewritten in an older format ("6.0" ... "8.0") or another
    // language (an entry of the language dialog's list), its outcome shown and the file read
    // again after a write. True when the language dialog may close.
    bool convertFormat(const std::string& label);
    bool convertLanguage(const std::string& choice);
    std::string languageStatus();
    // File menu, the XML command format of later Dragon versions: the request's rows written to
    // its file (the outcome carries the summary), and an XML file appended to the open file with
    // the duplicate question; items the file cannot hold are named and the rest imported after
    // the user's Yes. A write goes through the save cycle.
    Outcome exportXml(const ReportRequest& request, xmltext::Encoding encoding);
    // The reports dialog's action: the request's rows to a file, the printer or the clipboard.
    Outcome writeReport(const ReportRequest& request, ReportOutlets outlets);
    void importXml(const std::filesystem::path& xml);
    const ProgramDir& home() const { return home_; }
    const Settings& settings() const { return settings_; }
    // The help page of a topic (0: the contents), and that of the Options dialog.
    std::filesystem::path helpPage(int topic) const;
    std::filesystem::path optionsHelpPage() const;
    // Before a DVC conversion: the notice about key strings, unless the user turned it off.
    void keyConversionNotice(const std::function<void(int)>& showHelp);
    // The Options dialog's spoken numbering of the selector menus: kept and applied at once.
    void setMenuNumbering(bool on);
    // Where the Open and Import XML dialogs start.
    std::filesystem::path openDialogStart();
    std::filesystem::path xmlImportDialogStart();
    // The About box: the version, the licence, the program's directory and the file in use.
    std::string aboutText() const;
    // The command files opened last, newest first.
    std::vector<std::string> recentFiles() const;
    const SettingValues& settingValues() const { return values_; }
    const std::filesystem::path& commandFile() const { return commandFile_; }
    std::string caption();
    // "Restore user '<user>' &mycmds.dat" and "Bac&kup user '<user>' mycmds.dat".
    std::pair<std::string, std::string> rollbackCaptions() const;
    const std::vector<std::string>& rollbackList() const { return rollbackList_; }
    // Where an archive of the list lies.
    std::filesystem::path archivePath(const std::string& archive);
    // After the tools dialog closed: the Group it chose, the save cycle after a write, the file
    // read again after another program changed it, the exported file opened when asked. False
    // when the program must end.
    bool afterTools(const ToolsOutcome& outcome);
    // After a write made outside the editor: the day's archive was taken before it; Dragon takes
    // the file up through the save cycle, which reads it into the store again.
    void afterWrite();
    // The engine's events and the timers: called by the window's idle loop.
    void pump();
    // Told when Dragon has an event due after `delay`; `pump` then delivers it.
    void onEngineEventScheduled(std::function<void(std::chrono::milliseconds delay)> scheduled) {
        engine_.onEventScheduled(std::move(scheduled));
    }

private:
    actions::OperationContext operationContext(UpdateEngine& engine, Prompt& prompt);
    void askAboutHardLinks(const std::filesystem::path& file);
    bool finishStart(const std::string& commandLine, const std::optional<WindowInfo>& front,
                     const DragonWindow& dragon);
    void startAtFirstCommand();
    bool finishConversion(const Outcome& outcome);
    void loadSettings();
    void rollbackFor(const std::string& user);
    Task<void> importLaunchCommands();

    // The window's status line, remembered: the command-name prompt reads it back.
    struct RememberedStatus final : StatusSink {
        explicit RememberedStatus(StatusSink& to) : window(to) {}
        void setProgress(const std::string& text) override {
            progress = text;
            window.setProgress(text);
        }
        void setCount(const std::string& text) override { window.setCount(text); }
        void showNow() override { window.showNow(); }
        StatusSink& window;
        std::string progress;
    };

    ProgramDir home_;
    Prompt& prompt_;
    RememberedStatus status_;
    SaveCycleView& view_;
    Trace trace_;
    FileOps files_;
    Settings settings_;
    SettingValues values_;
    WindowSystem& windows_;
    DragonEngine& engine_;
    Microphone& microphone_;
    VoiceCommand& voice_;
    PollingLoop waitsInPlace_;
    MessageLoop& loop_;
    std::unique_ptr<Database> store_;
    std::optional<Parser> parser_;
    std::unique_ptr<DragonEnvironment> environment_;
    std::unique_ptr<SaveCycle> cycle_;
    EditGate gate_;
    Browser browser_{nullptr, gate_};
    std::unique_ptr<Finder> finder_;
    std::unique_ptr<RecentHistory> history_;
    std::unique_ptr<Editor> editor_;
    std::function<void(int)> slider_ = [](int) {};
    std::function<void(const SettingValues&)> place_ = [](const SettingValues&) {};
    SpokenControls spoken_{voice_, browser_, [this](int position) { slider_(position); }};
    std::function<void(const std::string&)> clipboard_ = [](const std::string&) {};
    std::filesystem::path commandFile_;
    std::string startupUser_;
    std::string rollbackUser_;
    std::vector<std::string> rollbackList_;
};

} // namespace qmk
