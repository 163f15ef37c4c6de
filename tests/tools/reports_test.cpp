#include "command_file_builder.h"
#include "common/text.h"
#include "store/parameters.h"
#include "store/statements.h"
#include "test_home.h"
#include "text_checks.h"
#include "tools/reports.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace qmk {

namespace {

class ReportsTest : public ::testing::Test {
protected:
    ReportsTest() {
        fixture::CommandFileBuilder file;
        file.command("say \"hi\"")
            .group("Talk")
            .description("a \"quoted\" one")
            .keys("say \"hi\"\r\nmore");
        file.command("bold").application("winword").group("Word").keys("{Ctrl+b}");
        file.command("recorded")
            .recorder({fixture::RecorderEvent::key(65, 0)}, {fixture::RecorderWindow{}});
        EXPECT_TRUE(home_.parse(home_.writeFile("mycmds.dat", file.build())).ok());
        outlets_.shown = [this](const UserRow& row) {
            return view_.find(letterOf(row.type)) != std::string::npos;
        };
        outlets_.print = [this](const std::vector<std::string>& lines) { printed_ = lines; };
        outlets_.toClipboard = [this](const std::string& text) { clipboard_ = text; };
    }
    ReportRequest request(ReportMode mode, ReportRequest::Choice choice) {
        ReportRequest r;
        r.mode = mode;
        r.choice = choice;
        r.program = "Global Commands";
        r.scope = "Global Commands";
        r.group = kAllGroups;
        r.file = defaultReportFile(home_.store(), home_.home(), r);
        return r;
    }
    testing::TestHome home_;
    ReportOutlets outlets_;
    std::string view_ = "KSATPRXL";
    std::vector<std::string> printed_;
    std::string clipboard_;
};

} // namespace

TEST_F(ReportsTest, NameListSpreadsheetAndTheirDestinations) {
    auto all = request(ReportMode::CommandList, ReportRequest::Choice::All);
    EXPECT_EQ(all.file, home_.path("global.txt"));
    EXPECT_EQ(reportCaptions(ReportMode::CommandList).caption, "Print COMMAND list");
    ASSERT_TRUE(runReport(home_.store(), all, outlets_, home_.prompt).done());
    EXPECT_EQ(home_.readFile("global.txt"),
              "\r\nGlobal Commands Global Commands\r\nrecorded\r\nsay \"hi\"\r\n"
              "\r\nWINWORD Application-specific\r\nbold\r\n");

    const auto out = home_.path("out");
    std::filesystem::create_directories(out);
    auto csv = request(ReportMode::Spreadsheet, ReportRequest::Choice::Group);
    csv.group = "Talk";
    csv.file = out / "Talk.csv";
    ASSERT_TRUE(runReport(home_.store(), csv, outlets_, home_.prompt).done());
    EXPECT_EQ(home_.readFile("out/Talk.csv"),
              "\"Global Commands\",\"Global Commands\",\"K\",\"say \"\"hi\"\"\",\"say \"\"hi\"\"\","
              "\"Talk\",\"a \"\"quoted\"\" one\"\r\n");
    EXPECT_EQ(Parameters(home_.store()).get(Parameters::Text::exportPath), out.string());
    EXPECT_EQ(defaultReportFile(home_.store(), home_.home(),
                                request(ReportMode::Spreadsheet, ReportRequest::Choice::All)),
              out / "global.csv");

    // A file that cannot be written leaves the last folder that worked proposed.
    const auto blocked = home_.path("blocked");
    std::filesystem::create_directories(blocked / "global.csv"); // a folder where the file goes
    auto failed = request(ReportMode::Spreadsheet, ReportRequest::Choice::All);
    failed.file = blocked / "global.csv";
    EXPECT_EQ(runReport(home_.store(), failed, outlets_, home_.prompt).code,
              Outcome::Code::Refused);
    EXPECT_EQ(Parameters(home_.store()).get(Parameters::Text::exportPath), out.string());

    home_.prompt.answers = {Prompt::Answer::Cancel};
    EXPECT_EQ(runReport(home_.store(), csv, outlets_, home_.prompt).code, Outcome::Code::Cancelled);
    EXPECT_EQ(home_.prompt.shown.back().text, "File already exists.  Overwrite?");

    all.destination = ReportRequest::Destination::Printer;
    ASSERT_TRUE(runReport(home_.store(), all, outlets_, home_.prompt).done());
    EXPECT_EQ(printed_.at(1), "Global Commands Global Commands");
    all.destination = ReportRequest::Destination::Clipboard;
    ASSERT_TRUE(runReport(home_.store(), all, outlets_, home_.prompt).done());
    EXPECT_TRUE(testing::contains(clipboard_, "bold"));
}

TEST_F(ReportsTest, EachChoiceNamesItsFileAndChoosesItsRows) {
    using Choice = ReportRequest::Choice;
    const std::tuple<Choice, const char*, const char*> choices[] = {
        {Choice::All, "global.txt",
         "\r\nGlobal Commands Global Commands\r\nrecorded\r\n"
         "say \"hi\"\r\n\r\nWINWORD Application-specific\r\nbold\r\n"},
        {Choice::Program, "WINWORD.txt", "\r\nWINWORD Application-specific\r\nbold\r\n"},
        {Choice::Group, "Word.txt", "\r\nWINWORD Application-specific\r\nbold\r\n"},
        {Choice::Scope, "Application-specific.txt", "\r\nWINWORD Application-specific\r\nbold\r\n"},
    };
    for (const auto& [choice, name, text] : choices) {
        auto r = request(ReportMode::CommandList, choice);
        r.program = "WINWORD";
        r.scope = "Application-specific";
        r.group = "Word";
        r.file = defaultReportFile(home_.store(), home_.home(), r);
        EXPECT_EQ(r.file, home_.path(name));
        ASSERT_TRUE(runReport(home_.store(), r, outlets_, home_.prompt).done()) << name;
        EXPECT_EQ(home_.readFile(name), text);
    }
    auto picked = request(ReportMode::Spreadsheet, Choice::Picked);
    EXPECT_EQ(defaultReportFile(home_.store(), home_.home(), picked), home_.path("selected.csv"));
    EXPECT_EQ(proposedReportFile(home_.store(), home_.home(), picked, "open <apps> now"),
              home_.path("open [apps] now.csv"));
    EXPECT_EQ(proposedReportFile(home_.store(), home_.home(),
                                 request(ReportMode::Spreadsheet, Choice::All), "open <apps> now"),
              home_.path("global.csv"));

    auto printed = request(ReportMode::CommandList, Choice::All);
    printed.destination = ReportRequest::Destination::Printer;
    outlets_.print = nullptr;
    EXPECT_EQ(runReport(home_.store(), printed, outlets_, home_.prompt).message,
              "There is no printer to print on");
    printed.destination = ReportRequest::Destination::Clipboard;
    outlets_.toClipboard = nullptr;
    EXPECT_EQ(runReport(home_.store(), printed, outlets_, home_.prompt).message,
              "There is no clipboard to copy to");
}

TEST_F(ReportsTest, RefusalsForNothingPickedNothingShownAndNoDvcCommands) {
    auto picked = request(ReportMode::CommandList, ReportRequest::Choice::Picked);
    const auto refusal = [&](const ReportRequest& r) {
        const auto outcome = runReport(home_.store(), r, outlets_, home_.prompt);
        EXPECT_EQ(outcome.code, Outcome::Code::Refused);
        return outcome;
    };
    EXPECT_EQ(refusal(picked).message, "Nothing is selected to print/export");
    view_ = "A";
    EXPECT_EQ(refusal(request(ReportMode::CommandList, ReportRequest::Choice::All)).title,
              "Change Program, Scope, or Type of Export");
    view_ = "KSATPRXL";
    picked.picked = {"recorded"};
    picked.mode = ReportMode::Dvc;
    EXPECT_EQ(refusal(picked).message, "There are no DVC commands in this Scope or View");
    auto missing = request(ReportMode::PseudoDvc, ReportRequest::Choice::All);
    missing.file = home_.path("nowhere/global.pseudo");
    EXPECT_EQ(refusal(missing).message, "Folder does not exist");
}

// Every report mode over a file holding one command of every type and a LIST: the name list and
// the spreadsheet take every type, the DVC only KEYS, scripts and LISTs, the pseudo-DVC every
// type under its own heading.
TEST(Reports, EveryModeOverEveryType) {
    testing::TestHome home;
    const auto file = fixture::oneOfEveryType();
    ASSERT_TRUE(home.parse(home.writeFile("mycmds.dat", file.build())).ok());
    ReportOutlets outlets;
    outlets.shown = [](const UserRow&) { return true; };
    const auto report = [&](const std::string& mode) {
        ReportRequest r;
        r.mode = reportModeNamed(mode).value();
        r.program = r.scope = "Global Commands";
        r.group = kAllGroups;
        r.file = home.path("every." + mode);
        EXPECT_TRUE(runReport(home.store(), r, outlets, home.prompt).done()) << mode;
        return home.readFile("every." + mode);
    };

    EXPECT_EQ(report("txt"), "\r\nGlobal Commands Global Commands\r\nadvanced one\r\ncolors\r\n"
                             "graphic one\r\nkeys one\r\nplain one\r\nrecorded one\r\n"
                             "script one\r\nsteps one\r\n");

    const auto csv = report("csv");
    for (const auto* line : {"\"A\",\"advanced one\"", "\"L\",\"colors\"", "\"T\",\"graphic one\"",
                             "\"K\",\"keys one\"", "\"P\",\"plain one\"", "\"R\",\"recorded one\"",
                             "\"S\",\"script one\"", "\"X\",\"steps one\""})
        EXPECT_TRUE(
            testing::contains(csv, std::string("\"Global Commands\",\"Global Commands\",") + line))
            << line;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 8);

    EXPECT_EQ(report("dvc"),
              "MENU \"Global Commands\" {\r\n\tSTATE \"Global Commands\" GLOBAL {\r\n"
              "\t\tCOMMAND \"keys one\" {\r\n\t\t\tKEYS {\r\n\t\t\t\t{Ctrl+k}\r\n"
              "\t\t\t}\r\n\t\t}\r\n\r\n\t\tCOMMAND \"script one\" {\r\n"
              "\t\t\tSCRIPT {\r\n\t\t\t\tSendKeys \"s\"\r\n\t\t\t}\r\n\t\t}\r\n\r\n"
              "\t\tLIST \"colors\" {\r\n\t\t\t\"red\"\r\n\t\t}\r\n\t}\r\n}\r\n");

    const auto pseudo = report("pseudo");
    for (const auto* section :
         {"COMMAND \"advanced one\" {\r\n\t\t\tAdvanced Script {\r\n\t\t\t\tSub Main\r\n",
          "COMMAND \"graphic one\" {\r\n\t\t\tText & Graphics {\r\n\t\t\t\tg\r\n",
          "COMMAND \"keys one\" {\r\n\t\t\tKEYS {\r\n\t\t\t\t{Ctrl+k}\r\n",
          "COMMAND \"plain one\" {\r\n\t\t\tPlain Text {\r\n\t\t\t\tp\r\n",
          "COMMAND \"recorded one\" {\r\n\t\t\tMacro Recorder {\r\n\t\t\t\tA key down\r\n",
          "COMMAND \"script one\" {\r\n\t\t\tSCRIPT {\r\n\t\t\t\tSendKeys \"s\"\r\n",
          "COMMAND \"steps one\" {\r\n\t\t\tStep by Step {\r\n\t\t\t\tType \"hi\"\r\n",
          "LIST \"colors\" {\r\n\t\t\t\"red\"\r\n"})
        EXPECT_TRUE(testing::contains(pseudo, section)) << section;
}

} // namespace qmk
