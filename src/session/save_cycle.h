#pragma once

#include "common/file_io.h"
#include "common/message_loop.h"
#include "common/program_dir.h"
#include "common/prompt.h"
#include "common/status_sink.h"
#include "common/task.h"
#include "common/trace.h"
#include "loader/parser.h"
#include "platform/dragon_engine.h"
#include "platform/microphone.h"
#include "platform/window_system.h"
#include "session/dragon_environment.h"
#include "session/merge.h"
#include "session/settings.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qmk {

// What the save cycle asks of the main window.
class SaveCycleView {
public:
    virtual ~SaveCycleView() = default;
    // After a good refresh: the caption, the lists and the view of the current Program and Scope.
    virtual void refreshed() = 0;
    virtual int currentTab() = 0;
    virtual void showTab(int tab) = 0;
    virtual void setBusy(bool busy) = 0; // the hourglass pointer
    virtual void showHelp(int topic) = 0;
    // The program ends after the current message; nothing more is written.
    virtual void closeProgram() = 0;
    // The user timer starts: tick the cycle once a second until it stops running.
    virtual void userTimerStarted() {}
};

// The bounds on waits that Dragon alone would end.
struct SaveCycleTimes {
    std::chrono::milliseconds openUserWindow{5000};
    std::chrono::milliseconds userReopened{15000};
    MergeWait merge;
};

// Tabs of the main window.
inline constexpr int kListsTab = 1;

// Brings Dragon and the program back in step after every change written into a command file:
// the merge through Dragon's tool, or a save and reload of the user; the refresh with
// verification; the external-change check; the speaker-change event. One per main window.
class SaveCycle {
public:
    struct Parts {
        Parser& parser;
        Database& store;
        DragonEnvironment& environment;
        const Settings& settings;
        DragonEngine& engine;
        Microphone& microphone;
        WindowSystem& windows;
        MessageLoop& loop;
        Prompt& prompt;
        StatusSink& status;
        Trace& trace;
        FileOps& files;
        ProgramDir home;
        std::filesystem::path mergeTool; // may not exist: then the user is reloaded
    };

    SaveCycle(Parts parts, SaveCycleView& view, SaveCycleTimes times = {});

    // The file shown and the user found at start-up (the speaker-change check compares them).
    void setCommandFile(std::filesystem::path file) { commandFile_ = std::move(file); }
    const std::filesystem::path& commandFile() const { return commandFile_; }
    void setStartupUser(std::string user) { startupUser_ = std::move(user); }

    // After a write. `newListShown`: the LIST view is shown and the write created a LIST. What
    // waits for Dragon pauses instead of blocking; `then` comes at the end, unless the program
    // ended. Until then `running()` is true.
    void save(bool newListShown, std::function<void()> then = {});
    // Runs `steps` as the save cycle runs its own: running until they end, then `then`.
    void run(Task<void> steps, std::function<void()> then = {});
    bool running() const { return running_ > 0; }
    // True when the command file changed behind the program's back; refreshes when asked.
    bool externalChange(bool refresh);
    void reload() { run(reloadSteps()); }
    // Parses the file again; false when it had to be restored and the program ends.
    bool refresh();
    // Merges `file` into the command file with Dragon's merge tool; true when the file changed.
    Task<bool> merge(std::filesystem::path file);

    // Engine events.
    void speakerChanged(const std::string& speaker);
    void userLoaded() { userTimerRunning_ = false; }
    // The user timer: one tick a second while it runs.
    void tick();
    bool userTimerRunning() const { return userTimerRunning_; }
    bool mergeDone() const { return mergeDone_; }
    bool ended() const { return ended_; }

private:
    Task<void> saveSteps(bool newListShown);
    Task<void> reloadSteps();
    Task<void> reloadBySpeaker(std::string speaker);
    bool productionOpen();
    void roamingNotice();
    std::size_t askWithHelp(const std::string& text, const std::string& title,
                            const std::vector<std::string>& buttons);
    // Whether the roaming master folder can be reached: tested once, then remembered.
    bool roamingMasterReachable(const std::string& statusAfter);
    void saveUserFiles(const std::string& speaker);
    void end();

    Parts p_;
    SaveCycleView& view_;
    SaveCycleTimes times_;
    std::filesystem::path commandFile_;
    std::string startupUser_;
    bool userReopened_ = false;
    std::optional<bool> masterReachable_;
    bool openUserPending_ = false;
    bool mergeDone_ = false;
    bool userTimerRunning_ = false;
    bool ended_ = false;
    int running_ = 0;
    std::int32_t userReadyCounter_ = 0;
};

} // namespace qmk
