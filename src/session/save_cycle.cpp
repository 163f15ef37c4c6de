#include "session/save_cycle.h"

#include "common/file_time.h"
#include "common/utf8_path.h"
#include "platform/private_profile.h"
#include "session/merge.h"
#include "session/notices.h"
#include "session/refresh.h"
#include "session/supplied_files.h"
#include "store/parameters.h"

namespace qmk {

namespace {

const std::string kRoamingNotice =
    "When doing a 'Save Changes' (or other modifying operation), all modifications take place in "
    "the local (machine) roaming directory.  To synchronize your command changes to the Master "
    "roaming directory, you must close the current user, by opening a different User, or closing "
    "NaturallySpeaking itself (including Quillmark8).\r\n\r\nDo NOT have the same Roaming user "
    "opened on 2 machines at once, or modifications will be lost. Say/click 'Help' for more "
    "information.\r\n\r\nSay/click 'Help', otherwise:\r\nSay/click 'do not show this window "
    "again'\r\n\r\nThis information can be found at any time in the Help file topic:\r\n'Roaming "
    "User command file modification'";

} // namespace

SaveCycle::SaveCycle(Parts parts, SaveCycleView& view, SaveCycleTimes times)
    : p_(std::move(parts)), view_(view), times_(times) {}

bool SaveCycle::productionOpen() {
    return p_.environment.isUsersOwnFile(utf8Of(commandFile_));
}

void SaveCycle::end() {
    ended_ = true;
    view_.closeProgram();
}

void SaveCycle::save(bool newListShown, std::function<void()> then) {
    run(saveSteps(newListShown), std::move(then));
}

void SaveCycle::run(Task<void> steps, std::function<void()> then) {
    ++running_;
    launch(std::move(steps), [this, then = std::move(then)] {
        --running_;
        if (then && !ended_)
            then();
    });
}

Task<void> SaveCycle::saveSteps(bool newListShown) {
    if (!productionOpen()) {
        refresh();
        co_return;
    }
    const auto& dragon = p_.environment;
    if (dragon.roamingUserOn && dragon.currentUserIsRoaming &&
        !settingFlag(p_.settings.read("dont show roam save user", "False")))
        roamingNotice();
    if (dragon.roamingUserOn)
        profile::writeDragon(pathFromUtf8(dragon.roamingCacheDirectory) /
                                 pathFromUtf8(p_.engine.speaker()) / "current" / "local.ini",
                             "Options", "MyCommands Changed", "1");
    if (newListShown) {
        if (!refresh())
            co_return;
        p_.status.setProgress("You must NEXT create a command using created LIST");
        view_.showTab(kListsTab);
        co_return;
    }
    if (std::filesystem::exists(p_.mergeTool)) {
        p_.status.setProgress("Operation in Progress");
        co_await merge(p_.home.file(kPlacerFile));
        co_return;
    }
    co_await reloadSteps();
}

std::size_t SaveCycle::askWithHelp(const std::string& text, const std::string& title,
                                   const std::vector<std::string>& buttons) {
    // The last button is Help: it shows the save cycle's help page and asks again.
    for (;;) {
        const auto choice = p_.prompt.choose(text, title, buttons);
        if (choice + 1 != buttons.size())
            return choice;
        view_.showHelp(kOptionsHelp);
    }
}

void SaveCycle::roamingNotice() {
    for (;;) {
        const auto choice = p_.prompt.chooseWithCheck(
            kRoamingNotice, "Save Changes Roaming User Informational message",
            {"&Proceed", "&Help"}, "Do &Not Show This Window Again");
        if (choice.checked)
            p_.settings.write("dont show roam save user", "-1");
        if (choice.button != 1)
            return;
        view_.showHelp(kRoamingHelpTopic);
    }
}

bool SaveCycle::externalChange(bool refreshNow) {
    const auto modified = modificationTime(commandFile_);
    const auto stored = Parameters(p_.store).get(Parameters::Text::mycmdstime);
    const bool changed =
        (!modified || !stored || modified->stored() != *stored) && productionOpen();
    if (changed && refreshNow)
        refresh();
    return changed;
}

void SaveCycle::saveUserFiles(const std::string& speaker) {
    if (!p_.engine.hasUnsavedChanges())
        return;
    const auto setting = p_.settings.read("save user", "Ask");
    bool save = setting == "Always";
    if (setting == "Ask")
        save = askWithHelp("Save User Files?", speaker, {"&Yes", "&No", "&Help"}) == 0;
    if (!save)
        return;
    p_.status.setProgress("Saving User: " + speaker);
    p_.engine.saveUser(); // a failed save leaves the user as Dragon has it
}

bool SaveCycle::roamingMasterReachable(const std::string& statusAfter) {
    if (!masterReachable_) {
        p_.status.setProgress("Checking Roaming Directory Accessibility");
        std::error_code error;
        masterReachable_ = std::filesystem::is_directory(
            pathFromUtf8(p_.environment.roamingMasterDirectory), error);
        p_.status.setProgress(statusAfter);
    }
    return *masterReachable_;
}

Task<void> SaveCycle::reloadSteps() {
    const auto speaker = p_.engine.speaker();
    saveUserFiles(speaker);
    p_.trace.mark("after speaker save (if)", speaker);
    view_.setBusy(true);
    const auto tab = view_.currentTab();
    const auto microphone = p_.microphone.state();
    p_.microphone.setState(1);
    p_.status.setProgress("Reloading User: " + speaker);

    const auto& dragon = p_.environment;
    bool byDialog = false;
    if (dragon.roamingUserOn && !dragon.currentUserIsRoaming &&
        roamingMasterReachable("Reloading User: " + speaker)) {
        userReopened_ = false;
        p_.trace.mark("user reload-open user dialog");
        if (p_.engine.showOpenUserDialog()) {
            openUserPending_ = true;
            std::optional<WindowInfo> dialog;
            co_await waitUntil(p_.loop, times_.openUserWindow, [this, &dialog] {
                return (dialog = p_.windows.findByTitle("Open User")).has_value();
            });
            if (dialog) {
                p_.windows.bringToFront(dialog->handle);
                co_await pause(p_.loop, std::chrono::milliseconds(100));
                p_.windows.sendKeys("{enter}");
                byDialog = true;
            } else {
                openUserPending_ = false;
                p_.prompt.message("Dragon's Open User window did not appear; the user is "
                                  "reloaded by name instead",
                                  speaker);
            }
        }
    }
    if (!byDialog) {
        co_await reloadBySpeaker(speaker);
        if (ended_)
            co_return;
    }
    if (openUserPending_) {
        openUserPending_ = false;
        co_await waitUntil(p_.loop, times_.userReopened, [this] { return userReopened_; });
        if (!userReopened_)
            p_.prompt.message("Dragon has not reopened the user yet; the commands shown are "
                              "those of the file",
                              speaker);
    }
    p_.trace.mark("b4 refresh call");
    if (!refresh())
        co_return;
    p_.trace.mark("after refresh call");
    view_.showTab(tab);
    p_.microphone.setState(microphone);
    view_.setBusy(false);
    userReadyCounter_ = 0;
    p_.trace.mark("b4 user timer");
    userTimerRunning_ = true;
    view_.userTimerStarted();
}

Task<void> SaveCycle::reloadBySpeaker(std::string speaker) {
    p_.trace.mark(" user reload-engine.Speaker= ", speaker);
    const bool reloaded = p_.engine.setSpeaker(speaker);
    p_.trace.mark("after reload");
    if (reloaded)
        co_return;
    askWithHelp("You have been too quick doing a 'Save Changes'\r\nBefore your User has been "
                "fully reloaded by Dragon.\r\nQMK10 will now exit for safety - You must restart "
                "QMK10",
                "Quillmark10", {"OK", "&Help"});
    co_await pause(p_.loop, std::chrono::milliseconds(1000));
    end();
}

bool SaveCycle::refresh() {
    if (!refreshWithVerification(p_.parser, commandFile_, p_.home, p_.files, p_.prompt, p_.trace)) {
        end();
        return false;
    }
    view_.refreshed();
    return true;
}

Task<bool> SaveCycle::merge(std::filesystem::path file) {
    const auto code = languageOfLcid(p_.engine.speakerLanguage()).value_or(0);
    mergeDone_ = true;
    const auto outcome = co_await mergeThroughTool(p_.mergeTool, commandFile_, file, code, p_.trace,
                                                   p_.loop, times_.merge);
    if (!outcome.done()) {
        p_.prompt.notify(Prompt::Kind::Error, outcome.message, outcome.title);
        mergeDone_ = false;
        refresh();
        co_return false;
    }
    if (!refresh())
        co_return false;
    p_.trace.mark("after fast save refresh");
    p_.status.setProgress(outcome.message);
    co_return true;
}

void SaveCycle::speakerChanged(const std::string& speaker) {
    p_.trace.mark("enter speaker change", speaker);
    userReopened_ = true;
    if (speaker != startupUser_ && productionOpen()) {
        end();
        return;
    }
    p_.trace.mark("leave speaker change", speaker);
}

void SaveCycle::tick() {
    if (!userTimerRunning_)
        return;
    ++userReadyCounter_;
    p_.status.setProgress("User Ready Counter: " + std::to_string(userReadyCounter_));
}

} // namespace qmk
