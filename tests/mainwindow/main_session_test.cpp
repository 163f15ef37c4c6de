#include "command_file_builder.h"
#include "dragon_install.h"
#include "mainwindow/main_session.h"
#include "session/supplied_files.h"
#include "test_home.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace qmk {

namespace {

namespace fs = std::filesystem;

class NoWindow final : public SaveCycleView {
public:
    void refreshed() override {}
    int currentTab() override { return 0; }
    void showTab(int) override {}
    void setBusy(bool) override {}
    void showHelp(int) override {}
    void closeProgram() override { closed = true; }
    bool closed = false;
};

// The main window's session on a simulated Dragon user "pat" found through the environment, as
// the program finds it.
class MainSessionTest : public ::testing::Test {
protected:
    MainSessionTest() : install_(home_.path("")) {
        ::setenv("QUILLMARK10_COMMON_APPDATA", install_.common.c_str(), 1);
        ::setenv("QUILLMARK10_APPDATA", install_.perUser.c_str(), 1);
        ::setenv("QUILLMARK10_DRAGON_PROGRAM",
                 (fs::path(MERGEMYCMDS).parent_path() / "natspeak").c_str(), 1);
        fixture::CommandFileBuilder file(7, 9);
        file.command("open mail").keys("{Ctrl+m}");
        file.command("bold").window("winword", "Document1").keys("{Ctrl+b}");
        file.write(commandFile().string());
        home_.writeFile(kLaunchCommandsFile, launchCommandsFile());
        home_.writeFile(kPlacerFile, placerFile());
        home_.writeFile("Quillmark10.INI", "[Quillmark]\r\ndont show auto import=-1\r\n");
    }
    ~MainSessionTest() override {
        for (const char* name :
             {"QUILLMARK10_COMMON_APPDATA", "QUILLMARK10_APPDATA", "QUILLMARK10_DRAGON_PROGRAM"})
            ::unsetenv(name);
    }
    fs::path commandFile() const { return install_.currentFolder() + "/mycmds.dat"; }
    std::unique_ptr<MainSession> session() {
        return std::make_unique<MainSession>(home_.home(), home_.prompt, home_.status, window_);
    }

    testing::TestHome home_;
    testing::DragonInstall install_;
    NoWindow window_;
};

} // namespace

TEST_F(MainSessionTest, StartsOnTheUsersFileWithTheTraceAndTheFirstViewOfTheCommandLine) {
    auto main = session();
    ASSERT_TRUE(main->start("\"Document1 - Microsoft Word\""));
    EXPECT_EQ(main->commandFile(), commandFile());
    EXPECT_EQ(main->browser().currentProgram(), "WINWORD");
    EXPECT_EQ(main->browser().tab(CommandsTab).lines, std::vector<std::string>{"bold"});
    EXPECT_EQ(main->caption(), "Quillmark - ../users/pat/current/mycmds.dat (10.x)");
    EXPECT_EQ(main->rollbackCaptions().first, "Restore user 'pat' &mycmds.dat");
    EXPECT_EQ(main->rollbackList().size(), 1u) << "today's archive";
    const auto trace = home_.traceLines();
    for (const char* marker :
         {"after open db  ", "after open states  ", "after register  ", "after voice commands  ",
          "before getoptions  ", "before form 2 load  ", "form load 2 done  "})
        EXPECT_NE(std::find(trace.begin(), trace.end(), marker), trace.end()) << marker;
    EXPECT_NE(main->properties().find("#Commands:  2"), std::string::npos);

    // Another file opened, then the user's own reloaded.
    const auto other = home_.writeFile("export.dat", testing::readBytes(commandFile()));
    ASSERT_TRUE(main->openFile(other));
    EXPECT_EQ(main->commandFile(), other);
    EXPECT_EQ(main->browser().currentProgram(), "Global Commands");
    ASSERT_TRUE(main->reload());
    EXPECT_EQ(main->commandFile(), commandFile());

    main->backup();
    EXPECT_NE(home_.prompt.shown.back().text.find("Backup taken successfully"), std::string::npos);
    home_.prompt.answers = {Prompt::Answer::Ok};
    ASSERT_TRUE(main->restore(main->rollbackList().front()));
    EXPECT_TRUE(fs::exists(home_.path("pat/mycmds.prerollback")));
    EXPECT_FALSE(window_.closed);
}

TEST_F(MainSessionTest, AMissingStoreOrAnEditionOutsideTheProfessionalSeriesEndsTheStart) {
    ::setenv("QUILLMARK10_DRAGON_EDITION", "Preferred", 1);
    auto preferred = session();
    EXPECT_FALSE(preferred->start(""));
    ::unsetenv("QUILLMARK10_DRAGON_EDITION");
    EXPECT_EQ(home_.prompt.shown.back().text.substr(0, 49),
              "Quillmark 9 only supported with Professional Seri");

    fs::remove(home_.path(files::kStore));
    auto missing = session();
    EXPECT_FALSE(missing->start(""));
    EXPECT_EQ(home_.prompt.shown.back().text,
              "Required Quillmark file global10.mdb missing--reinstall");
}

} // namespace qmk
