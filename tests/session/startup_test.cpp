#include "command_file_builder.h"
#include "common/native.h"
#include "dragon_install.h"
#include "session/file_menu.h"
#include "session/startup.h"
#include "store/parameters.h"
#include "test_home.h"
#include "text_checks.h"

#include <gtest/gtest.h>

namespace qmk {

namespace {
class FirstViewTest : public ::testing::Test {
protected:
    FirstViewTest() {
        fixture::CommandFileBuilder file;
        file.command("g").keys("1");
        file.command("w1").window("winword", "Document1").keys("2");
        file.command("w2").window("winword", "Report").keys("3");
        file.command("a1").application("excel").keys("4");
        file.command("vb").window("vb6", "Microsoft Visual Basic").keys("5");
        file.command("t").window("long", "Report" + std::string(26, 'X')).keys("6");
        EXPECT_TRUE(home_.parse(home_.writeFile("mycmds.dat", file.build())).ok());
    }
    FirstView choose(const std::string& line, const std::string& title = "",
                     const std::string& program = "") {
        return chooseFirstView(line, title, program, home_.store(), trace_);
    }
    testing::TestHome home_;
    Trace trace_;
};
} // namespace

TEST_F(FirstViewTest, TheCommandLineOrTheWindowInFrontChoosesTheFirstView) {
    // The command line, then the window in front: its document part, then the part after the
    // hyphen, then any Scope its first part contains, last the program in front by its module.
    const struct {
        const char *line, *title, *program, *shownProgram, *scope;
    } cases[] = {
        {"\"GLOBAL COMMANDS\"", "", "", "Global Commands", "Global Commands"},
        {"", "Document1 - Microsoft Word", "", "WINWORD", "Document1"},
        {"", "Notes - Report", "", "WINWORD", "Report"},
        {"", "My Report draft - Word", "", "WINWORD", "Report"},
        {"", "Module1 (Code) Microsoft Visual Basic - Project", "", "VB6",
         "Microsoft Visual Basic"},
        {"", "Untitled - Something", "/opt/office/excel.exe", "EXCEL", "Application-specific"},
        {"", "Untitled - Something", "/usr/bin/unknown", "Global Commands", "Global Commands"},
    };
    for (const auto& c : cases) {
        const auto view = choose(c.line, c.title, c.program);
        EXPECT_EQ(view.program + "/" + view.scope, std::string(c.shownProgram) + "/" + c.scope)
            << c.line << c.title << c.program;
    }

    // A title's document part is cut to 32 characters before the Scope is sought; uncut, the
    // 33 characters would match no Scope and the earlier "Report" would be taken for it.
    auto view = choose("", "Report" + std::string(27, 'X') + " - Long");
    EXPECT_EQ(view.program, "LONG");
    EXPECT_EQ(view.scope, "Report" + std::string(26, 'X'));

    // A command line naming a file opens that file.
    view = choose("\"" + home_.path("mycmds.dat").string() + "\"");
    EXPECT_EQ(view.openFile, home_.path("mycmds.dat"));
    EXPECT_EQ(view.missingFile, "");
    // A file that is not there is named, and the window in front chooses the view.
    for (const std::string& missing :
         {home_.path("gone.dat").string(), std::string("old.DAT"), std::string("C:\\x\\y"),
          std::string("d:/cmds"), std::string("\\\\server\\share\\x")}) {
        view = choose(missing, "Document1 - Microsoft Word");
        EXPECT_EQ(view.missingFile, missing);
        EXPECT_EQ(view.scope, "Document1") << missing;
    }
    // Words are no path.
    for (const char* words : {"Document1 - Word", "a/b", "C: drive", "data"})
        EXPECT_EQ(choose(words).missingFile, "") << words;
}

TEST(Startup, OneInstanceRegistersWithAProfessionalDragonAndFindsItsMergeTool) {
    testing::TestHome home;
    auto first = enterProgram(home.home().folder(), home.prompt);
    ASSERT_TRUE(first);
    EXPECT_FALSE(enterProgram(home.home().folder(), home.prompt));
    ASSERT_EQ(home.prompt.shown.size(), 1u);
    EXPECT_EQ(home.prompt.shown[0].text, "Quillmark10 is already running");

    testing::DragonInstall install(home.path(""));
    SimulatedWindows windows;
    auto setup = install.engineSetup(home.path("Dragon/Program"));
    SimulatedEngine engine(windows, setup);
    SimulatedMicrophone microphone;
    SimulatedVoiceCommand voice(windows);
    Trace trace(home.path("t.trace"), now());
    EXPECT_TRUE(registerWithDragon(engine, microphone, voice, home.prompt, trace));
    const auto dragon = findDragonWindow(windows, engine);
    EXPECT_EQ(dragon.handle, engine.barWindow());
    EXPECT_EQ(dragon.mergeTool,
              home.path("Dragon/Program/mergemycmds" + std::string(native::kProgramSuffix)));

    setup.professional = false;
    SimulatedWindows others;
    SimulatedEngine preferred(others, setup);
    EXPECT_FALSE(registerWithDragon(preferred, microphone, voice, home.prompt, trace));
    EXPECT_EQ(home.prompt.shown.back().text.substr(0, 50),
              "Quillmark 9 only supported with Professional Serie");
    setup.running = false;
    SimulatedWindows none;
    SimulatedEngine stopped(none, setup);
    EXPECT_FALSE(registerWithDragon(stopped, microphone, voice, home.prompt, trace));
    EXPECT_EQ(home.prompt.shown.back().text, "Quillmark10 is already running");
    EXPECT_EQ(findDragonWindow(none, stopped).handle, 0);
}

TEST_F(FirstViewTest, OpeningAnotherFileAndResettingTheStore) {
    testing::DragonInstall install(home_.path(""));
    FileOps files;
    Backups backups(home_.home(), install.dragon + "/users", files, home_.prompt);
    const auto inUse = home_.path("users/pat/current/mycmds.dat");
    EXPECT_EQ(openDialogStart(home_.store(), inUse), inUse) << "nothing opened yet";
    EXPECT_EQ(xmlImportDialogStart(home_.store(), inUse), inUse.parent_path());
    Parameters(home_.store()).set(Parameters::Text::exportPath, home_.path("gone").string());
    EXPECT_EQ(xmlImportDialogStart(home_.store(), inUse), inUse.parent_path()) << "folder gone";
    Parameters(home_.store()).set(Parameters::Text::exportPath, home_.path("").string());
    EXPECT_EQ(xmlImportDialogStart(home_.store(), inUse), home_.path(""));
    const auto open = [&](const std::filesystem::path& file, const std::filesystem::path& shown) {
        return openCommandFile(file, home_.parser(), home_.store(), backups, home_.prompt, trace_,
                               home_.home(), shown);
    };

    const auto missing = open(home_.path("none.dat"), {});
    EXPECT_FALSE(missing.opened || missing.endProgram);
    EXPECT_EQ(home_.prompt.shown.back().text, "File does not exist");

    fixture::CommandFileBuilder other;
    other.command("only").keys("1");
    const auto own = install.currentFolder() + "/mycmds.dat";
    other.write(own);
    const auto opened = open(own, {});
    EXPECT_TRUE(opened.opened);
    EXPECT_EQ(opened.rollbackUser, "pat");
    EXPECT_EQ(home_.rows().size(), 1u);
    EXPECT_EQ(openDialogStart(home_.store(), inUse), own);
    const auto exported = home_.writeFile("export.dat", testing::readBytes(own));
    EXPECT_FALSE(open(exported, {}).rollbackUser);

    const auto broken = home_.writeFile("broken.dat", testing::readBytes(own).substr(0, 30));
    const auto failed = open(broken, {});
    EXPECT_TRUE(failed.endProgram);
    EXPECT_EQ(home_.prompt.shown.back().title, "Now exiting");
    // With a file open, a broken one leaves it open and says where the details are.
    const auto kept = open(broken, exported);
    EXPECT_FALSE(kept.opened || kept.endProgram);
    EXPECT_EQ(home_.prompt.shown.back().title, "Open");
    EXPECT_EQ(home_.prompt.shown.back().text,
              broken.string() + " cannot be read, so " + exported.string() +
                  " stays open.\r\nWhat went wrong is written in " +
                  home_.path("error.log").string() + "; please send that file to Tarnwell.");
    EXPECT_EQ(home_.rows().size(), 1u) << "the open file's commands are back in the store";

    resetStore(home_.store(), home_.prompt);
    EXPECT_EQ(home_.prompt.shown.back().text, "You must restart Quillmark10 for changes to apply");
    EXPECT_TRUE(home_.rows().empty());
    Parameters parameters(home_.store());
    EXPECT_EQ(parameters.get(Parameters::Text::UserName), " ");
    EXPECT_EQ(parameters.get(Parameters::Text::lastmode), "app");
    EXPECT_FALSE(parameters.get(Parameters::Text::mycmdstime));
    EXPECT_FALSE(home_.parse(own).status == ParseStatus::Current) << "parsed afresh after reset";
}

} // namespace qmk
