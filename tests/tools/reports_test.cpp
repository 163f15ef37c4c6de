#include "command_file_builder.h"
#include "common/text.h"
#include "store/parameters.h"
#include "store/statements.h"
#include "test_home.h"
#include "tools/reports.h"

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
            return view_.find(row.Type) != std::string::npos;
        };
        outlets_.print = [this](const std::vector<std::string>& lines) { printed_ = lines; };
        outlets_.toClipboard = [this](const std::string& text) { clipboard_ = text; };
    }
    ReportRequest request(const std::string& mode, ReportRequest::Choice choice) {
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
    auto all = request("txt", ReportRequest::Choice::All);
    EXPECT_EQ(all.file, home_.path("global.txt"));
    EXPECT_EQ(reportCaptions("txt").caption, "Print COMMAND list");
    ASSERT_TRUE(runReport(home_.store(), all, outlets_, home_.prompt).done());
    EXPECT_EQ(home_.readFile("global.txt"),
              "\r\nGlobal Commands Global Commands\r\nrecorded\r\nsay \"hi\"\r\n"
              "\r\nWINWORD Application-specific\r\nbold\r\n");
    EXPECT_EQ(statements::countMarked(home_.store()), 0);

    const auto out = home_.path("out");
    std::filesystem::create_directories(out);
    auto csv = request("csv", ReportRequest::Choice::Group);
    csv.group = "Talk";
    csv.file = out / "Talk.csv";
    ASSERT_TRUE(runReport(home_.store(), csv, outlets_, home_.prompt).done());
    EXPECT_EQ(home_.readFile("out/Talk.csv"),
              "\"Global Commands\",\"Global Commands\",\"K\",\"say \"\"hi\"\"\",\"say \"\"hi\"\"\","
              "\"Talk\",\"a \"\"quoted\"\" one\"\r\n");
    EXPECT_EQ(Parameters(home_.store()).get(Parameters::Text::exportPath), out.string());
    EXPECT_EQ(
        defaultReportFile(home_.store(), home_.home(), request("csv", ReportRequest::Choice::All)),
        out / "global.csv");

    home_.prompt.answers = {Prompt::Answer::Cancel};
    EXPECT_EQ(runReport(home_.store(), csv, outlets_, home_.prompt).code, Outcome::Code::Cancelled);
    EXPECT_EQ(home_.prompt.shown.back().text, "File already exists.  Overwrite?");

    all.destination = ReportRequest::Destination::Printer;
    ASSERT_TRUE(runReport(home_.store(), all, outlets_, home_.prompt).done());
    EXPECT_EQ(printed_.at(1), "Global Commands Global Commands");
    all.destination = ReportRequest::Destination::Clipboard;
    ASSERT_TRUE(runReport(home_.store(), all, outlets_, home_.prompt).done());
    EXPECT_NE(clipboard_.find("bold"), std::string::npos);
}

TEST_F(ReportsTest, RefusalsForNothingPickedNothingShownAndNoDvcCommands) {
    auto picked = request("txt", ReportRequest::Choice::Picked);
    const auto refusal = [&](const ReportRequest& r) {
        const auto outcome = runReport(home_.store(), r, outlets_, home_.prompt);
        EXPECT_EQ(outcome.code, Outcome::Code::Refused);
        return outcome;
    };
    EXPECT_EQ(refusal(picked).message, "Nothing is selected to print/export");
    view_ = "A";
    EXPECT_EQ(refusal(request("txt", ReportRequest::Choice::All)).title,
              "Change Program, Scope, or Type of Export");
    view_ = "KSATPRXL";
    picked.picked = {"recorded"};
    picked.mode = "dvc";
    EXPECT_EQ(refusal(picked).message, "There are no DVC commands in this Scope or View");
    auto missing = request("pseudo", ReportRequest::Choice::All);
    missing.file = home_.path("nowhere/global.pseudo");
    EXPECT_EQ(refusal(missing).message, "Folder does not exist");
}

} // namespace qmk
