#include "command_file_builder.h"
#include "session/startup.h"
#include "test_home.h"

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
    auto view = choose("\"GLOBAL COMMANDS\"");
    EXPECT_EQ(view.program, "Global Commands");
    EXPECT_EQ(view.scope, "Global Commands");

    // A document name, a blank, a hyphen, a blank and a program name: the document first.
    view = choose("", "Document1 - Microsoft Word");
    EXPECT_EQ(view.program, "WINWORD");
    EXPECT_EQ(view.scope, "Document1");
    // Then the part after the hyphen.
    view = choose("", "Notes - Report");
    EXPECT_EQ(view.scope, "Report");
    // Then any Scope the title's first part contains.
    view = choose("", "My Report draft - Word");
    EXPECT_EQ(view.scope, "Report");
    view = choose("", "Module1 (Code) Microsoft Visual Basic - Project");
    EXPECT_EQ(view.program, "VB6");
    // Last the program in front, by its module name.
    view = choose("", "Untitled - Something", "/opt/office/excel.exe");
    EXPECT_EQ(view.program, "EXCEL");
    EXPECT_EQ(view.scope, "Application-specific");
    view = choose("", "Untitled - Something", "/usr/bin/unknown");
    EXPECT_EQ(view.program, "Global Commands");

    // A command line naming a file opens that file.
    view = choose("\"" + home_.path("mycmds.dat").string() + "\"");
    EXPECT_EQ(view.openFile, home_.path("mycmds.dat"));
}

TEST(Startup, CaptionAndPropertiesTexts) {
    EXPECT_EQ(windowCaption("C:\\Users\\Pat\\AppData\\dragon\\users\\pat\\current\\mycmds.dat",
                            "c:\\users\\pat\\appdata\\dragon", "10.x"),
              "Quillmark - ..\\users\\pat\\current\\mycmds.dat (10.x)");
    FileProperties p;
    p.versionText = "10.0";
    p.languageName = "English";
    p.size = 1234;
    const auto text = propertiesText("/x/mycmds.dat", p, 5, 2);
    EXPECT_EQ(text.substr(0, 61),
              "Filename:\r\n/x/mycmds.dat\r\n\r\nVersion:           10.0\r\nLanguage");
    EXPECT_NE(text.find("\r\nSize:                1234\r\n#Commands:  5\r\n#Lists:            2"),
              std::string::npos);
}

} // namespace qmk
