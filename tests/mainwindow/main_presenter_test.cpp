#include "main_presenter_fixture.h"
#include "store/parameters.h"
#include "text_checks.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <thread>

namespace qmk {

namespace {

// A window's loop without the window: pauses queue up until `runAll` plays them in time.
class QueuedLoop final : public MessageLoop {
public:
    void runAll(const std::function<void()>& pump) {
        while (!due_.empty()) {
            auto next = std::move(due_.front());
            due_.erase(due_.begin());
            std::this_thread::sleep_until(next.first);
            pump();
            next.second();
        }
    }

protected:
    bool later(std::chrono::milliseconds delay, std::function<void()> then) override {
        due_.emplace_back(std::chrono::steady_clock::now() + delay, std::move(then));
        return true;
    }

private:
    std::vector<std::pair<std::chrono::steady_clock::time_point, std::function<void()>>> due_;
};

} // namespace

TEST_F(MainPresenterTest, ASaveWaitingForDragonGoesOnFromTheLoopAndRefusesInputMeanwhile) {
    QueuedLoop loop;
    auto main = presenter(&loop);
    ASSERT_TRUE(main->start(""));
    auto& browser = main->browser();
    browser.setCurrentItemName("open mail");
    browser.reset(CommandsTab);
    ASSERT_TRUE(main->editor().bodyEdited("{Ctrl+n}"));
    ASSERT_TRUE(main->editor().save());
    ASSERT_TRUE(main->saveCycle().running()) << "the merge waits for the clock and the tool";
    for (int i = 0; i < static_cast<int>(browser.programs().entries.size()); ++i)
        browser.selectProgram(i);
    EXPECT_EQ(browser.currentProgram(), "Global Commands");
    EXPECT_EQ(main->statusText(), "Quillmark10 is waiting for Dragon: try again in a moment");
    EXPECT_FALSE(main->editor().bodyEdited("typed meanwhile"));

    loop.runAll([&main] { main->pump(); });
    EXPECT_FALSE(main->saveCycle().running());
    EXPECT_TRUE(main->saveCycle().mergeDone());
    EXPECT_EQ(main->statusText(), "Update processed, User ready");
    EXPECT_EQ(browser.currentItemName(), "open mail");
    EXPECT_EQ(main->editor().texts().body, "{Ctrl+n}") << "the store read the merged file";
    browser.selectProgram(static_cast<int>(browser.programs().entries.size()) - 1);
    EXPECT_NE(browser.currentProgram(), "Global Commands");
}

TEST_F(MainPresenterTest, StartsOnTheUsersFileWithTheTraceAndTheFirstViewOfTheCommandLine) {
    auto main = presenter();
    ASSERT_TRUE(main->start("\"Document1 - Microsoft Word\""));
    EXPECT_EQ(main->commandFile(), commandFile());
    EXPECT_EQ(main->browser().currentProgram(), "WINWORD");
    EXPECT_EQ(main->browser().tab(CommandsTab).names(), std::vector<std::string>{"bold"});
    EXPECT_EQ(main->caption(), "Quillmark - ../users/pat/current/mycmds.dat (10.x)");
    EXPECT_EQ(main->rollbackCaptions().first, "Restore user 'pat' &mycmds.dat");
    EXPECT_EQ(main->rollbackList().size(), 1u) << "today's archive";
    // Start-up's markers, in the order of its steps.
    const auto trace = home_.traceLines();
    auto at = trace.begin();
    for (const char* marker :
         {"after open db  ", "after open states  ", "after register  ", "after voice commands  ",
          "before getoptions  ", "after window placement  ", "before form 2 load  ",
          "form load 2 done  "}) {
        at = std::find(at, trace.end(), marker);
        EXPECT_NE(at, trace.end()) << marker << " missing or out of order";
    }
    EXPECT_TRUE(testing::contains(main->properties(), "#Commands:  2"));

    // Another file opened, then the user's own reloaded.
    const auto other = home_.writeFile("export.dat", testing::readBytes(commandFile()));
    ASSERT_TRUE(main->openFile(other));
    EXPECT_EQ(main->commandFile(), other);
    EXPECT_EQ(main->browser().currentProgram(), "Global Commands");
    // The launch commands are offered for the user's own file only.
    home_.writeFile("Quillmark10.INI", "[Quillmark]\r\ndont show auto import=0\r\n");
    const auto shown = home_.prompt.shown.size();
    EXPECT_TRUE(main->offerImport());
    EXPECT_EQ(home_.prompt.shown.size(), shown);
    // Reload keeps the Program and Scope shown.
    main->browser().setCurrent("WINWORD", "Document1");
    main->browser().reset(CommandsTab);
    ASSERT_TRUE(main->reload());
    EXPECT_EQ(main->commandFile(), commandFile());
    EXPECT_EQ(main->browser().currentProgram(), "WINWORD");
    EXPECT_EQ(main->browser().currentScope(), "Document1");
    home_.prompt.choices = {1};
    EXPECT_TRUE(main->offerImport());
    EXPECT_EQ(home_.prompt.shown.back().title, "For Voice initiation of Quillmark10");

    main->backup();
    EXPECT_TRUE(testing::contains(home_.prompt.shown.back().text, "Backup taken successfully"));
    // Dragon takes a restored file up through the save cycle, when its window is there.
    for (const bool dragonRuns : {true, false}) {
        if (!dragonRuns)
            dragon().windows.close(
                dragon().windows.findByTitle("Dragon NaturallySpeaking")->handle);
        const auto traced = home_.traceLines().size();
        home_.prompt.answers = {Prompt::Answer::Ok};
        ASSERT_TRUE(main->restore(main->rollbackList().front()));
        const auto after = home_.traceLines();
        EXPECT_EQ(std::count(after.begin() + static_cast<std::ptrdiff_t>(traced), after.end(),
                             "after fast save refresh  "),
                  dragonRuns ? 1 : 0);
    }
    EXPECT_TRUE(fs::exists(home_.path("pat/mycmds.prerollback")));
    EXPECT_FALSE(window_.closed);
}

TEST_F(MainPresenterTest, ConvertToAdvancedScriptingIsOfferedByTheLanguageOfTheFileShown) {
    auto main = presenter();
    ASSERT_TRUE(main->start("global commands"));
    auto french = testing::readBytes(commandFile());
    french[15] = 12;
    for (const auto& [file, english] :
         {std::pair{home_.writeFile("french.dat", french), false}, {commandFile(), true}}) {
        ASSERT_TRUE(main->openFile(file));
        main->browser().setCurrentItemName("open mail");
        main->browser().reset(CommandsTab);
        EXPECT_EQ(main->browser().item().convertToAdvancedEnabled, english) << file;
    }
}

TEST_F(MainPresenterTest, AToolRunOnAFileChangedBehindTheStoreReadsTheFileAgain) {
    auto main = presenter();
    ASSERT_TRUE(main->start("global commands"));
    const auto before = testing::readBytes(commandFile());
    fs::last_write_time(commandFile(), fs::last_write_time(commandFile()) + std::chrono::hours(1));
    const auto outcome =
        runTool(main->operationRun(home_.prompt)->context(), ToolMode::Delete, {}, "");
    EXPECT_EQ(home_.prompt.shown.back().text, kChangedBehindUs);
    EXPECT_TRUE(main->afterTools(outcome));
    EXPECT_FALSE(main->saveCycle().externalChange(false)) << "the store holds the file again";
    EXPECT_EQ(testing::readBytes(commandFile()), before);
    // A tool that changed nothing leaves nothing of its own in the status line either.
    main->setProgress("Renaming Group");
    EXPECT_TRUE(main->afterTools(ToolsOutcome{}));
    EXPECT_EQ(main->statusText(), "") << "the tool's status goes when it ends";
    // A store that holds no time for the file cannot vouch for it.
    Parameters(main->store()).set(Parameters::Text::mycmdstime, std::nullopt);
    EXPECT_TRUE(main->saveCycle().externalChange(false));
}

TEST_F(MainPresenterTest, AMissingStoreOrAnEditionOutsideTheProfessionalSeriesEndsTheStart) {
    {
        testing::ScopedEnvironment edition;
        edition.set("QUILLMARK10_DRAGON_EDITION", "Preferred");
        EXPECT_FALSE(presenter()->start(""));
    }
    EXPECT_EQ(home_.prompt.shown.back().text.substr(0, 49),
              "Quillmark 9 only supported with Professional Seri");

    home_.closeStore();
    fs::remove(home_.path(files::kStore));
    auto missing = presenter();
    EXPECT_FALSE(missing->start(""));
    EXPECT_EQ(home_.prompt.shown.back().text,
              "Required Quillmark file global10.mdb missing--reinstall");
    fs::create_directory(home_.path(files::kStore)); // there, but no store
    EXPECT_FALSE(presenter()->start(""));
    EXPECT_EQ(home_.prompt.shown.back().text, "Could not open global10.mdb database, sorry");
    fs::remove(home_.path(files::kStore));
    testing::TestHome fresh; // a store again, and a user's file that is no command file
    fs::copy_file(fresh.path(files::kStore), home_.path(files::kStore));
    FileOps::system().writeFile(commandFile(), "not a command file");
    EXPECT_FALSE(presenter()->start(""));
    EXPECT_EQ(home_.prompt.shown.back().text.substr(0, 56),
              "I'm sorry.  Quillmark10 cannot correctly parse this file");
    EXPECT_EQ(home_.prompt.shown.back().title, commandFile().string());
}

TEST_F(MainPresenterTest, SpokenCommandsPickProgramsMoveTheSliderAndShowTabs) {
    auto main = presenter();
    int slider = -1;
    main->setSlider([&](int position) { slider = position; });
    ASSERT_TRUE(main->start("global commands"));
    auto& voice = dragon().voice;
    EXPECT_EQ(voice.list("programnumbers"), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(voice.list("slidernumbers").size(), 10u);
    // The window's own commands, as Dragon lists them.
    std::map<std::string, std::string> described;
    for (const auto& command : voice.commands(main->spoken().windowMenu()))
        described[command.spoken] = command.description;
    EXPECT_EQ(described["commands"], "Set focus to commands");
    for (const auto* spoken :
         {"lists", "recently created", "recently modified", "slider <slidernumbers>", "all groups"})
        EXPECT_EQ(described[spoken], "Set focus to LISTs") << spoken;

    ASSERT_TRUE(voice.hear("program 2"));
    EXPECT_EQ(main->browser().currentProgram(), "WINWORD");
    EXPECT_EQ(main->browser().programs().entries.front(), "1 - Global Commands");
    main->spoken().openSelector(SelectorKind::Program);
    EXPECT_EQ(main->browser().programs().entries.front(), "1 - Global Commands")
        << "not numbered twice";
    // In the open menu, saying its number picks the entry, and the numbered menu goes quiet.
    ASSERT_TRUE(voice.hear("1"));
    EXPECT_EQ(main->browser().currentProgram(), "Global Commands");
    EXPECT_FALSE(voice.active(main->spoken().numberedMenu()));

    ASSERT_TRUE(voice.hear("slider 10"));
    EXPECT_EQ(slider, 10);
    const std::pair<const char*, int> tabs[] = {{"recently modified", RecentlyModifiedTab},
                                                {"lists", ListsTab},
                                                {"recently created", RecentlyCreatedTab},
                                                {"commands", CommandsTab}};
    for (const auto& [spoken, tab] : tabs) {
        ASSERT_TRUE(voice.hear(spoken));
        EXPECT_EQ(main->browser().showingTab(), tab) << spoken;
    }
    ASSERT_TRUE(voice.hear("all groups"));
    EXPECT_TRUE(main->browser().allGroups());

    // Groups are numbered past their separator, which has no number; numbering off, none is.
    main->spoken().openSelector(SelectorKind::Group);
    const auto& groups = main->browser().groups().entries;
    ASSERT_GE(groups.size(), 3u);
    EXPECT_EQ(groups[0].substr(0, 4), "1 - ");
    EXPECT_EQ(groups[groups.size() - 2], "-");
    EXPECT_EQ(voice.list("groupnumbers").size(), groups.size() - 1);
    main->spoken().setNumbering(false);
    const std::vector<std::string> plain{"Mail", "-", kAllGroups};
    main->browser().groupSelector().entries = plain;
    main->spoken().openSelector(SelectorKind::Group);
    EXPECT_EQ(main->browser().groups().entries, plain);
}

TEST_F(MainPresenterTest, TheSliderAndTheFontsAreKeptInTheSettingsAtOnce) {
    auto main = presenter();
    ASSERT_TRUE(main->start(""));
    main->sliderMoved(3);
    main->setFonts("DejaVu Sans", 12, "DejaVu Sans Mono", 9);
    EXPECT_EQ(main->settingValues().slider, 3);
    EXPECT_EQ(main->settingValues().fixedFont, "DejaVu Sans Mono");
    const auto ini = home_.readFile("Quillmark10.INI");
    for (const char* line :
         {"slider=3\r\n", "font=DejaVu Sans\r\n", "fixedfont=DejaVu Sans Mono\r\n",
          "fontsize=12\r\n", "fixedfontsize=9\r\n"})
        EXPECT_TRUE(testing::contains(ini, line)) << line;
    // The next start reads them back.
    auto again = presenter();
    ASSERT_TRUE(again->start(""));
    EXPECT_EQ(again->settingValues().font, "DejaVu Sans");
    EXPECT_EQ(again->settingValues().fontSize, 12);
    EXPECT_EQ(again->settingValues().fixedFontSize, 9);
}

} // namespace qmk
