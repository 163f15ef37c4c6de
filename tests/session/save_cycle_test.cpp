#include "command_file_builder.h"
#include "common/utf8_path.h"
#include "dragon_install.h"
#include "platform/private_profile.h"
#include "session/import_offer.h"
#include "session/save_cycle.h"
#include "session/supplied_files.h"
#include "store/parameters.h"
#include "test_home.h"
#include "text_checks.h"
#include "writer/record_edits.h"
#include "writer/update_engine.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace qmk {

namespace {

namespace fs = std::filesystem;

class RecordingView final : public SaveCycleView {
public:
    void refreshed() override { ++refreshes; }
    int currentTab() override { return tab; }
    void showTab(int shown) override { tab = shown; }
    void setBusy(bool on) override { busy = on; }
    void showHelp(int topic) override { help.push_back(topic); }
    void closeProgram() override { closed = true; }
    int refreshes = 0;
    int tab = 2;
    bool busy = false;
    bool closed = false;
    std::vector<int> help;
};

// A Dragon user "pat" with a small command file, the program's store parsed from it, and a
// save cycle wired to the simulated Dragon and the real merge tool.
class SaveCycleTest : public ::testing::Test {
protected:
    SaveCycleTest()
        : install_(home_.path("")), machine_(install_.machine()),
          engine_(windows_, install_.engineSetup(fs::path(MERGEMYCMDS).parent_path())),
          environment_(home_.prompt, home_.trace(), engine_, machine_),
          settings_(home_.path("Quillmark10.INI")) {
        fixture::CommandFileBuilder file(7, 9);
        file.command("open mail").keys("{Ctrl+m}");
        file.command("sign off").plainText("Regards");
        file.write(commandFile().string());
        home_.writeFile(kPlacerFile, placerFile());
        environment_.setStoreName(files::kStore);
        environment_.initialize(home_.home().folder(), home_.store());
        loop_.addSource([this] { engine_.pump(); });
        engine_.setEventsEnabled(true);
        engine_.setEvents({[this](const std::string& s) { cycle_->speakerChanged(s); },
                           [this] { cycle_->userLoaded(); }});
        cycle_ = cycleWith(MERGEMYCMDS, SaveCycleTimes{std::chrono::milliseconds(500),
                                                       std::chrono::milliseconds(500),
                                                       {std::chrono::milliseconds(20), 50}});
        cycle_->setStartupUser("pat");
        EXPECT_TRUE(home_.parse(commandFile()).ok());
    }

    fs::path commandFile() const { return install_.currentFolder() + "/mycmds.dat"; }

    // A save cycle like the fixture's, with another merge tool (or none where `tool` is absent).
    std::unique_ptr<SaveCycle> cycleWith(const fs::path& tool, SaveCycleTimes times = {}) {
        auto cycle = std::make_unique<SaveCycle>(
            SaveCycle::Parts{home_.parser(), home_.store(), environment_, settings_, engine_,
                             microphone_, windows_, loop_, home_.prompt, home_.status,
                             home_.trace(), files_, home_.home(), tool},
            view_, times);
        cycle->setCommandFile(commandFile());
        return cycle;
    }

    UserRow row(const std::string& name) {
        for (auto& r : home_.rows())
            if (r.name == name)
                return r;
        ADD_FAILURE() << name;
        return {};
    }

    ImportOutcome offer() {
        return runToEnd(offerLaunchCommands(home_.store(), settings_, home_.prompt, engine_,
                                            home_.home(), *cycle_));
    }

    testing::TestHome home_;
    testing::DragonInstall install_;
    DragonMachine machine_;
    SimulatedWindows windows_;
    SimulatedEngine engine_;
    SimulatedMicrophone microphone_{7};
    PollingLoop loop_;
    DragonEnvironment environment_;
    Settings settings_;
    FileOps files_;
    RecordingView view_;
    std::unique_ptr<SaveCycle> cycle_;
};

} // namespace

TEST_F(SaveCycleTest, ABackupTakenFromAnotherFileIsNeverPutBack) {
    const auto good = testing::readBytes(commandFile());
    keepBackup(FileOps::system(), home_.home(), home_.path("export.dat"), good);
    const auto damaged = good.substr(0, good.size() - 9);
    testing::DragonInstall::write(commandFile().string(), damaged);
    EXPECT_FALSE(cycle_->refresh());
    EXPECT_EQ(testing::readBytes(commandFile()), damaged);
    EXPECT_TRUE(
        std::any_of(home_.prompt.shown.begin(), home_.prompt.shown.end(), [](const auto& m) {
            return m.title == "The command file could not be "
                              "restored";
        }));
}

TEST_F(SaveCycleTest, WithoutTheToolTheUserIsSavedAndReloadedThroughTheEngine) {
    const auto cycle = cycleWith(home_.path("no-mergemycmds"));
    auto& reloading = *cycle;
    engine_.setEvents({{}, [&] { reloading.userLoaded(); }});
    engine_.markUnsaved();
    home_.prompt.choices = {2, 0}; // Help, then Yes
    reloading.save(false);
    EXPECT_EQ(home_.prompt.shown.at(0).text, "Save User Files?");
    EXPECT_EQ(home_.prompt.shown.at(0).title, "pat");
    EXPECT_EQ(home_.prompt.shown.at(1).text, "Save User Files?") << "asked again after Help";
    EXPECT_EQ(view_.help, std::vector<int>{10001});
    EXPECT_EQ(engine_.saves(), 1);
    EXPECT_TRUE(engine_.reloading());
    EXPECT_EQ(microphone_.state(), 7) << "restored after the reload";
    EXPECT_EQ(view_.tab, 2);
    EXPECT_FALSE(view_.busy);
    EXPECT_TRUE(reloading.userTimerRunning());
    reloading.tick();
    reloading.tick();
    EXPECT_EQ(home_.status.progress.back(), "User Ready Counter: 2");

    // A second save while Dragon still reloads ends the program.
    home_.prompt.choices = {1, 0}; // Help, then OK
    reloading.save(false);
    EXPECT_EQ(view_.help, (std::vector<int>{10001, 10001}));
    EXPECT_TRUE(view_.closed);
    EXPECT_EQ(home_.prompt.shown.back().text.substr(0, 38),
              "You have been too quick doing a 'Save ");

    (void)runToEnd(
        waitUntil(loop_, std::chrono::seconds(2), [&] { return !reloading.userTimerRunning(); }));
    EXPECT_FALSE(reloading.userTimerRunning()) << "user-loaded stopped the timer";

    // "save user" other than Ask and Always ("Never", or anything else) never saves.
    settings_.write("save user", "Sometimes");
    engine_.markUnsaved();
    home_.prompt.shown.clear();
    view_.closed = false;
    reloading.reload();
    EXPECT_EQ(engine_.saves(), 1);
    EXPECT_TRUE(home_.prompt.shown.empty());
}

TEST_F(SaveCycleTest, RoamingUsersSeeTheNoticeAndTheMasterIsReachedByTheOpenUserDialog) {
    const auto master = home_.path("master");
    const auto cache = home_.path("roamingusers");
    fs::create_directories(master);
    fs::create_directories(cache / "pat/current");
    environment_.roamingUserOn = true;
    environment_.roamingMasterDirectory = master.string();
    environment_.roamingCacheDirectory = cache.string();
    const auto cycle = cycleWith(home_.path("no-tool"));
    auto& roaming = *cycle;
    roaming.setStartupUser("pat");
    engine_.setEvents({[&](const std::string& s) { roaming.speakerChanged(s); }, {}});
    roaming.save(false);
    EXPECT_EQ(profile::readDragon(cache / "pat/current/local.ini", "Options", "MyCommands Changed"),
              "1");
    EXPECT_TRUE(home_.prompt.shown.empty()) << "a user reached by the master sees no notice";
    EXPECT_FALSE(windows_.findByTitle("Open User")) << "Enter closed the dialog";
    EXPECT_FALSE(view_.closed);
    EXPECT_EQ(view_.refreshes, 1);
    // The master is looked for once: a second save does not test it again.
    const auto checks = [&] {
        return std::count(home_.status.progress.begin(), home_.status.progress.end(),
                          "Checking Roaming Directory Accessibility");
    };
    EXPECT_EQ(checks(), 1);
    (void)runToEnd(waitUntil(loop_, std::chrono::seconds(2), [&] { return !engine_.reloading(); }));
    roaming.save(false);
    EXPECT_EQ(checks(), 1);

    environment_.currentUserIsRoaming = true;
    home_.prompt.choices = {1, 0};
    home_.prompt.checks = {false, true};
    (void)runToEnd(waitUntil(loop_, std::chrono::seconds(2), [&] { return !engine_.reloading(); }));
    roaming.save(false);
    ASSERT_EQ(home_.prompt.shown.size(), 2u);
    EXPECT_EQ(home_.prompt.shown[0].title, "Save Changes Roaming User Informational message");
    EXPECT_EQ(view_.help, std::vector<int>{10004});
    EXPECT_EQ(settings_.read("dont show roam save user", ""), "-1");
    (void)runToEnd(waitUntil(loop_, std::chrono::seconds(2), [&] { return !engine_.reloading(); }));
    roaming.save(false);
    EXPECT_EQ(home_.prompt.shown.size(), 2u) << "not shown again";
}

TEST_F(SaveCycleTest, SpeakerChangesAndFilesOtherThanTheUsersOwn) {
    cycle_->speakerChanged("pat");
    EXPECT_FALSE(view_.closed);
    // Another file: only refreshed, and never counted as changed behind the program's back.
    const auto other = home_.writeFile("other.dat", testing::readBytes(commandFile()));
    cycle_->setCommandFile(other);
    EXPECT_TRUE(home_.parse(other, true).ok());
    testing::DragonInstall::write(other.string(), testing::readBytes(other));
    EXPECT_FALSE(cycle_->externalChange(true));
    cycle_->save(false);
    EXPECT_FALSE(cycle_->mergeDone());
    EXPECT_EQ(view_.refreshes, 1);
    cycle_->speakerChanged("kim");
    EXPECT_FALSE(view_.closed);
    cycle_->setCommandFile(commandFile());
    cycle_->speakerChanged("kim");
    EXPECT_TRUE(view_.closed);
}

TEST_F(SaveCycleTest, ANewListShownAsksForACommandAndATimeoutSaysUnableToUpdate) {
    cycle_->save(true);
    EXPECT_EQ(home_.status.progress.back(), "You must NEXT create a command using created LIST");
    EXPECT_EQ(view_.tab, kListsTab);
    EXPECT_FALSE(cycle_->mergeDone());

    // A tool that never touches the file.
    const auto lazy = pathFromUtf8(IDLE_TOOL);
    const auto slow = cycleWith(lazy, SaveCycleTimes{{}, {}, {std::chrono::milliseconds(5), 50}});
    EXPECT_FALSE(runToEnd(slow->merge(home_.path(kPlacerFile))));
    EXPECT_FALSE(slow->mergeDone());
    ASSERT_FALSE(home_.prompt.shown.empty());
    EXPECT_EQ(home_.prompt.shown.back().text, "Unable to update above file");
    EXPECT_EQ(home_.prompt.shown.back().title, commandFile().string());
    const auto trace = home_.traceLines();
    EXPECT_NE(std::find(trace.begin(), trace.end(), "counter=  51 "), trace.end());
}

TEST_F(SaveCycleTest, TheLaunchCommandsAreOfferedImportedInTheSpeakersLanguageAndThenLeftAlone) {
    home_.writeFile(kLaunchCommandsFile, launchCommandsFile());
    // A German speaker with a German command file; the supplied file is English.
    profile::write(install_.currentFolder() + "/options.ini", "Options", "speakerlanguageID",
                   "1031");
    fixture::CommandFileBuilder german(7, 7);
    german.command("open mail").keys("{Ctrl+m}");
    german.write(commandFile().string());
    ASSERT_TRUE(home_.parse(commandFile(), true).ok());
    home_.prompt.checks = {false};
    EXPECT_EQ(offer(), ImportOutcome::Imported);
    ASSERT_EQ(home_.prompt.shown.size(), 3u);
    EXPECT_EQ(home_.prompt.shown[0].title, "For Voice initiation of Quillmark10");
    EXPECT_EQ(home_.prompt.shown[0].text,
              "Would you like for Quillmark10 to automagically import the supplied "
              "'Qmk10Global.dat' file containing the 2 commands 'global quillmark' and 'local "
              "quillmark'?\r\n\r\n'global quillmark' brings up Quillmark10 viewing 'Global "
              "Commands'\r\n'local quillmark' brings up Quillmark10 viewing the current "
              "application's commands (if any)");
    EXPECT_EQ(home_.prompt.shown[1].title, "pat") << "the language notice";
    EXPECT_EQ(home_.prompt.shown[2].title, "'global quillmark' and 'local quillmark'");
    EXPECT_EQ(testing::readBytes(home_.path(kLaunchCommandsFile))[15], '\x07');
    EXPECT_TRUE(launchCommandsPresent(home_.store()));
    EXPECT_EQ(row("local quillmark").program, "Global Commands");
    EXPECT_EQ(settings_.read("dont show auto import", ""), "-1");
    EXPECT_EQ(offer(), ImportOutcome::NotOffered);
}

TEST_F(SaveCycleTest, TheLaunchOfferCancelledMissingOrDeclinedForGood) {
    home_.prompt.choices = {1};
    EXPECT_EQ(offer(), ImportOutcome::Cancelled);
    EXPECT_EQ(home_.prompt.shown.size(), 1u);
    EXPECT_EQ(offer(), ImportOutcome::NotImported) << "no qmk10global.dat";
    ASSERT_EQ(home_.prompt.shown.size(), 4u);
    EXPECT_EQ(home_.prompt.shown[2].text, "cannot find above file, reinstall");
    EXPECT_EQ(home_.prompt.shown[3].text, "Sorry, I could not import these commands after all");
    home_.prompt.choices = {1};
    home_.prompt.checks = {true};
    EXPECT_EQ(offer(), ImportOutcome::Cancelled);
    EXPECT_EQ(offer(), ImportOutcome::NotOffered);

    // A launch command already there, "QMK9" in capitals, is found.
    settings_.write("dont show auto import", "0");
    fixture::CommandFileBuilder file(7, 9);
    file.command("global quillmark").advanced("Sub Main\r\n' QMK9\r\nEnd Sub");
    file.write(commandFile().string());
    ASSERT_TRUE(home_.parse(commandFile(), true).ok());
    EXPECT_EQ(offer(), ImportOutcome::NotOffered);
}

TEST_F(SaveCycleTest, TheLaunchOfferReplacesACommandOfTheUsersOnlyAfterItsYes) {
    home_.writeFile(kLaunchCommandsFile, launchCommandsFile());
    fixture::CommandFileBuilder file(7, 9);
    file.command("global quillmark").advanced("Sub Main\r\n' mine\r\nEnd Sub\r\n");
    file.command("local quillmark").advanced("Sub Main\r\n' mine too\r\nEnd Sub\r\n");
    file.write(commandFile().string());
    ASSERT_TRUE(home_.parse(commandFile(), true).ok());
    const auto before = testing::readBytes(commandFile());
    // Kept both: nothing is merged, and the offer comes again next time.
    home_.prompt.answers = {Prompt::Answer::No, Prompt::Answer::No};
    EXPECT_EQ(offer(), ImportOutcome::Cancelled);
    EXPECT_EQ(home_.prompt.shown[1].text, "The command 'global quillmark' already exists in your "
                                          "Global Commands.\r\n\r\nReplace it with the "
                                          "supplied one?");
    EXPECT_EQ(testing::readBytes(commandFile()), before);
    EXPECT_NE(settings_.read("dont show auto import", ""), "-1");
    // Kept one: the other is replaced, the one kept stays the user's.
    home_.prompt.answers = {Prompt::Answer::No, Prompt::Answer::Yes};
    EXPECT_EQ(offer(), ImportOutcome::Imported);
    EXPECT_EQ(row("global quillmark").script, "Sub Main\r\n' mine\r\nEnd Sub\r\n");
    EXPECT_TRUE(testing::contains(row("local quillmark").script, "qmk9"));
    EXPECT_FALSE(fs::exists(home_.path("qmk10global.chosen.dat")));
}

} // namespace qmk
