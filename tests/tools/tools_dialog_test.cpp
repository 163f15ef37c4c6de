#include "actions/edit_rules.h"
#include "command_file_builder.h"
#include "common/text.h"
#include "mainwindow/tools_runner.h"
#include "store/parameters.h"
#include "store/places.h"
#include "test_home.h"
#include "tools/tools_dialog.h"

#include <gtest/gtest.h>

namespace qmk {

namespace {

class ToolsTest : public ::testing::Test {
protected:
    ToolsTest() {
        fixture::CommandFileBuilder file;
        for (int i = 0; i < 12; ++i)
            file.command("global " + std::to_string(i)).group("Mine").keys("k");
        file.command("bold").application("winword").group("Word").keys("{Ctrl+b}");
        file.command("italic").application("winword").group("Word").keys("{Ctrl+i}");
        path_ = home_.writeFile("mycmds.dat", file.build());
        EXPECT_TRUE(home_.parse(path_).ok());
    }
    ToolsContext context() {
        ReportOutlets outlets;
        outlets.shown = [](const UserRow&) { return true; };
        return ToolsContext{home_.store(),
                            engine_,
                            home_.prompt,
                            home_.home(),
                            path_,
                            false,
                            "English",
                            outlets,
                            [this] { return changed_; },
                            [this] { ++backups_; },
                            [this](const std::string& text) { progress_ = text; },
                            {}};
    }
    ReportRequest request(ReportRequest::Choice choice) {
        ReportRequest r;
        r.choice = choice;
        r.program = "WINWORD";
        r.scope = "Application-specific";
        r.group = "Word";
        return r;
    }
    testing::TestHome home_;
    std::filesystem::path path_;
    FileOps files_;
    UpdateEngine engine_{
        {home_.home(), home_.store(), home_.trace(), files_, home_.path("mycmds.dat")}};
    bool changed_ = false;
    int backups_ = 0;
    std::string progress_;
};

} // namespace

// Each DVC mode of the Tools menu runs its own conversion on the commands chosen.
TEST_F(ToolsTest, EachDvcModeMakesItsOwnKindOfCommand) {
    const std::pair<ToolMode, const char*> modes[] = {
        {ToolMode::DvcToPlainText, "{Ctrl+b}"},
        {ToolMode::DvcToSendKeys, "SendKeys"},
        {ToolMode::DvcToSendDragonKeys, "SendDragonKeys"}};
    const auto original = home_.readFile("mycmds.dat");
    for (const auto& [mode, made] : modes) {
        home_.writeFile("mycmds.dat", original);
        ASSERT_TRUE(home_.parse(path_, true).ok());
        ASSERT_TRUE(runTool(context(), mode, request(ReportRequest::Choice::Program), "").done);
        ASSERT_TRUE(home_.parse(path_, true).ok()); // as the save cycle reads the file again
        const auto bold = places::findRow(home_.store(), "WINWORD", "Application-specific", "bold");
        ASSERT_TRUE(bold);
        // A key string that holds braces cannot be plain text: it stays as it was.
        EXPECT_EQ(bold->type,
                  mode == ToolMode::DvcToPlainText ? ItemType::Keys : ItemType::AdvancedScript)
            << made;
        EXPECT_TRUE(bold->script.find(made) != std::string::npos) << bold->script;
    }
}

TEST_F(ToolsTest, CountsCaptionsAndTheProgramRename) {
    const auto counts =
        toolsCounts(home_.store(), "Global Commands", "Global Commands", kAllGroups);
    EXPECT_EQ(counts[0], "   14");
    EXPECT_EQ(counts[1], "   12");
    EXPECT_EQ(toolsCaptions(ToolMode::RenameProgram, {}).entry, "Enter new Program here");
    // The export proposes the current Program's name, in the export folder once there is one.
    EXPECT_EQ(exportTargetAtOpening(home_.store(), home_.home(), "WINWORD"),
              home_.path("WINWORD.dat"));
    Parameters(home_.store()).set(Parameters::Text::exportPath, "/exports");
    EXPECT_EQ(exportTargetAtOpening(home_.store(), home_.home(), "WINWORD"),
              std::filesystem::path("/exports") / "WINWORD.dat");
    EXPECT_EQ(toolsPickList(home_.store(), "WINWORD", "Application-specific",
                            [](const UserRow&) { return true; }),
              (std::vector<std::string>{"bold", "italic"}));

    auto c = context();
    c.productionFile = true;
    EXPECT_FALSE(
        runTool(c, ToolMode::RenameProgram, request(ReportRequest::Choice::All), "word.EXE").done);
    EXPECT_EQ(home_.prompt.shown.back().text,
              "Rename Program not allowed on production file with All or Group");
    const auto renamed =
        runTool(c, ToolMode::RenameProgram, request(ReportRequest::Choice::Program), "word.EXE");
    EXPECT_TRUE(renamed.fileChanged);
    EXPECT_EQ(home_.prompt.shown.back().text, "Program Renamed");
    EXPECT_EQ(backups_, 1);
    ASSERT_TRUE(home_.parse(path_, true).ok());
    EXPECT_TRUE(findRow(home_.store(), "WORD", "Application-specific", "bold"));
}

TEST_F(ToolsTest, ExportTargetChecksDeleteByGroupAndAChangedFile) {
    auto c = context();
    // The command file itself, named in other letters' case.
    EXPECT_FALSE(runTool(c, ToolMode::Export, request(ReportRequest::Choice::All),
                         (path_.parent_path() / "MYCMDS.DAT").string())
                     .done);
    EXPECT_EQ(home_.prompt.shown.back().text, "Can't export to self");
    home_.prompt.answers = {Prompt::Answer::Ok, Prompt::Answer::No};
    const auto exported = runTool(c, ToolMode::Export, request(ReportRequest::Choice::Program),
                                  home_.path("word").string());
    EXPECT_TRUE(exported.done);
    EXPECT_FALSE(exported.fileChanged);
    EXPECT_TRUE(std::filesystem::exists(home_.path("word.dat")));
    EXPECT_EQ(home_.prompt.shown[home_.prompt.shown.size() - 3].text,
              "Appending .dat to your filename");

    auto mine = request(ReportRequest::Choice::Group);
    mine.group = "Mine";
    EXPECT_EQ(runTool(c, ToolMode::RenameGroup, mine, "Ours").newGroup, "Ours");
    const auto deleted = runTool(c, ToolMode::Delete, request(ReportRequest::Choice::Group), "");
    EXPECT_TRUE(deleted.fileChanged);
    EXPECT_TRUE(deleted.allGroups);
    EXPECT_EQ(progress_, "Deleting");

    changed_ = true;
    EXPECT_TRUE(runTool(c, ToolMode::Delete, request(ReportRequest::Choice::All), "").done);
    EXPECT_EQ(progress_, "CBModified");
    EXPECT_EQ(home_.prompt.shown.back().title, path_.string());
}

// An existing export target: Overwrite keeps nothing of it, Append adds to it, Cancel leaves it.
TEST_F(ToolsTest, TheExistingTargetQuestionLeadsToItsOwnMode) {
    fixture::CommandFileBuilder old;
    old.command("kept before").keys("k");
    const auto before = old.build();
    const std::pair<std::size_t, std::vector<std::string>> choices[] = {
        {0, {"bold", "italic"}}, {1, {"bold", "italic", "kept before"}}, {2, {"kept before"}}};
    for (const auto& [choice, names] : choices) {
        const auto target = home_.writeFile("word.dat", before);
        home_.prompt.choices = {choice};
        auto c = context();
        runTool(c, ToolMode::Export, request(ReportRequest::Choice::Program), target.string());
        EXPECT_TRUE(std::any_of(home_.prompt.shown.begin(), home_.prompt.shown.end(), [](auto& m) {
            return m.text.starts_with("The Export file already exists");
        }));
        home_.prompt.shown.clear();
        testing::TestHome reader;
        ASSERT_TRUE(reader.parse(target).ok());
        std::vector<std::string> found;
        for (const auto& row : reader.rows())
            found.push_back(row.name);
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, names) << "choice " << choice;
    }
}

// Every mode of the two dialogs against its caption, action button and default entry or target.
TEST(DialogCaptions, EveryModeOfTheToolsAndReportsDialogs) {
    const std::tuple<ToolMode, std::string, std::string, std::string> tools[] = {
        {ToolMode::Export, "Export to .dat", "Export", "/x/export.dat"},
        {ToolMode::RenameGroup, "Rename Group", "Rename Group", "Enter new Group here"},
        {ToolMode::RenameProgram, "Rename Program", "Rename Program", "Enter new Program here"},
        {ToolMode::Delete, "Delete", "Delete", ""},
        {ToolMode::DvcToPlainText, "Convert DVC to Plain Text", "Convert", ""},
        {ToolMode::DvcToSendKeys, "Convert DVC to Advanced Scripting w/SendKeys", "Convert", ""},
        {ToolMode::DvcToSendDragonKeys, "Convert DVC to Advanced Scripting w/SendDragonKeys",
         "Convert", ""},
        {ToolMode::SearchAndReplace, "Search/Replace", "Replace", ""},
    };
    for (const auto& [mode, caption, action, entry] : tools) {
        const auto c = toolsCaptions(mode, "/x/export.dat");
        EXPECT_EQ((std::array<std::string, 3>{c.caption, c.action, c.entry}),
                  (std::array<std::string, 3>{caption, action, entry}))
            << caption;
    }

    using Destination = ReportRequest::Destination;
    const std::tuple<std::string, std::string, std::string, Destination> reports[] = {
        {"txt", "Print COMMAND list", "Print", Destination::Printer},
        {"csv", "Export (spreadsheet)", "Export", Destination::File},
        {"dvc", "Export (dvc)", "Export", Destination::File},
        {"pseudo", "Export to pseudo dvc", "Export", Destination::File},
        {"xml", "Export to XML", "Export", Destination::File},
    };
    for (const auto& [mode, caption, action, destination] : reports) {
        ASSERT_TRUE(reportModeNamed(mode)) << mode;
        EXPECT_EQ(reportExtension(*reportModeNamed(mode)), mode);
        const auto c = reportCaptions(*reportModeNamed(mode));
        EXPECT_EQ(c.caption, caption) << mode;
        EXPECT_EQ(c.action, action) << mode;
        EXPECT_EQ(c.destination, destination) << mode;
    }
}

TEST(DialogCaptions, TheExportsDuplicateQuestionNamesBothPlacesAndMapsItsButtons) {
    testing::RecordingPrompt prompt;
    const auto ask = duplicatePrompt(prompt, "/home/pat/mycmds.dat", "/home/pat/export.dat");
    prompt.choices = {0, 1, 2, 3, 4};
    const DuplicateAnswer answers[] = {DuplicateAnswer::Yes, DuplicateAnswer::No,
                                       DuplicateAnswer::YesToAll, DuplicateAnswer::NoToAll,
                                       DuplicateAnswer::CancelExport};
    for (const auto expected : answers)
        EXPECT_EQ(ask({"bold", "WINWORD", "Document1"}), expected);
    EXPECT_EQ(prompt.shown.back().title, "Overwrite?");
    EXPECT_EQ(prompt.shown.back().text,
              "The following command already exists in:\r\n/home/pat/mycmds.dat\r\n"
              "bold   (WINWORD | Document1)\r\nOverwrite? with command from:\r\n"
              "/home/pat/export.dat");
}

TEST(DialogCaptions, TheRestoresDuplicateQuestionSpeaksOfTheRestore) {
    testing::RecordingPrompt prompt;
    const auto ask = restorePrompt(prompt, "/home/pat/mycmds.dat", "/home/pat/mycmds.12062026");
    prompt.choices = {4};
    EXPECT_EQ(ask({"bold", "Global Commands", "Global Commands"}), DuplicateAnswer::CancelExport);
    EXPECT_EQ(prompt.shown.back().title, "Restore");
    EXPECT_EQ(prompt.lastButtons, (std::vector<std::string>{"&Yes", "No", "Ye&s to all",
                                                            "N&o to all", "&Cancel Restore"}));
    EXPECT_EQ(prompt.shown.back().text,
              "The following command already exists in:\r\n/home/pat/mycmds.dat\r\n"
              "bold   (Global Commands | Global Commands)\r\n"
              "Replace it with the command from the archive:\r\n/home/pat/mycmds.12062026");
}

} // namespace qmk
