#include "command_file_builder.h"
#include "common/native.h"
#include "common/utf8_path.h"
#include "platform/process.h"
#include "run_qmk10.h"
#include "session.h"
#include "test_home.h"
#include "text_checks.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <tuple>

namespace qmk {

using fixture::CommandFileBuilder;

namespace {

using Outcome = testing::Qmk10Run;

class CliEditTest : public ::testing::Test {
protected:
    CliEditTest() {
        CommandFileBuilder builder;
        builder.command("open mail").description("d").group("Mail").keys("{Ctrl+m}");
        builder.command("type name").keys("Pat");
        builder.command("bold").application("winword", "Word", "Microsoft").script("b\r\n");
        builder.command("uses <colors>").keys("x");
        builder.list("colors", {"red"});
        file_ = home_.writeFile("mycmds.dat", builder.build()).string();
        EXPECT_EQ(qmk({"init"}).status, 0);
    }

    Outcome qmk(std::vector<std::string> args, const std::string& input = {}) {
        return testing::runQmk10(home_.path("qmk"), std::move(args), input);
    }

    std::string json() { return testing::spacedJson(qmk({"list", file_, "--json"}).out); }
    std::string bytes() const { return testing::readBytes(file_); }

    testing::TestHome home_;
    std::string file_;
};

} // namespace

TEST_F(CliEditTest, EditsReachTheFileAndTheStore) {
    auto r = qmk({"set-body", file_, "--name", "type name", "--body", "Pat Example"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "body saved\n");
    EXPECT_NE(json().find(R"("name": "type name", "Type": "K", "script": "Pat Example")"),
              std::string::npos);

    r = qmk({"set-body", file_, "--program", "WinWord", "--name", "bold", "--body-file", "-"},
            "Sub Main\r\nEnd Sub\r\n\r\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(json().find(R"("script": "Sub Main\r\nEnd Sub\r\n")"), std::string::npos);

    r = qmk({"set-details", file_, "--name", "open mail", "--new-name", "open inbox",
             "--description", "new", "--group", "Post"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(
        json().find(R"("name": "open inbox", "Type": "K", "script": "{Ctrl+m}", "scope": "G", )"
                    R"("owner": "Post")"),
        std::string::npos);

    r = qmk({"to-advanced", file_, "--name", "open inbox"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(
        json().find(R"("name": "open inbox", "Type": "A", )"
                    R"("script": "Sub Main\r\n\r\nSendKeys \"^m\", true\r\n\r\nEnd Sub\r\n")"),
        std::string::npos);

    r = qmk({"to-plain", file_, "--name", "type name"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(json().find(R"("name": "type name", "Type": "P", "script": "Pat Example")"),
              std::string::npos);

    r = qmk({"new-list", file_, "--name", "sizes", "--body", "big\r\nsmall"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = qmk({"new", file_, "--type", "A", "--program", "winword", "--name", "size <sizes>",
             "--body", "Sub Main"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(json().find(R"("menu": "WINWORD", "state": "Application-specific", )"
                          R"("name": "size <sizes>", "Type": "A", "script": "Sub Main\r\n")"),
              std::string::npos);
    EXPECT_NE(json().find(R"("PDescript": 4, "CompanyName": 9)"), std::string::npos);

    // The LIST-in-use question is asked as the window asks it: unanswered, nothing changes.
    r = qmk({"rename", file_, "--list", "sizes", "--to", "sizing"});
    EXPECT_EQ(r.status, 4);
    EXPECT_TRUE(testing::contains(r.err, "There are 1 commands using this LIST including:"));
    r = qmk({"rename", file_, "--list", "sizes", "--to", "sizing", "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(json().find(R"("name": "sizing", "Type": "L")"), std::string::npos);
}

TEST_F(CliEditTest, AFileWithSeveralNamesIsWrittenOnlyWhenToldToGoOn) {
    const auto other = home_.path("other name.dat");
    std::filesystem::create_hard_link(file_, other);
    const auto before = bytes();
    auto refused = qmk({"set-body", file_, "--name", "type name", "--body", "Sam"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(testing::contains(refused.err, "the file has 2 hard links"));
    EXPECT_EQ(bytes(), before);
    auto written = qmk({"--part-links", "set-body", file_, "--name", "type name", "--body", "Sam"});
    EXPECT_EQ(written.status, 0) << written.err;
    EXPECT_NE(json().find(R"("script": "Sam")"), std::string::npos);
    EXPECT_EQ(testing::readBytes(other), before);
}

TEST_F(CliEditTest, RefusalsAreShownAndWriteNothing) {
    const auto before = bytes();
    auto expectRefused = [&](std::vector<std::string> args, const std::string& message) {
        const auto r = qmk(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_TRUE(testing::contains(r.err, message));
        EXPECT_EQ(bytes(), before) << args[0];
    };
    expectRefused({"set-body", file_, "--name", "type name", "--body", ""},
                  "Empty content not allowed");
    expectRefused({"set-body", file_, "--name", "nobody", "--body", "x"},
                  "is not in the command file");
    expectRefused({"rename", file_, "--name", "type name", "--to", "type name"},
                  "Must delete first: type name already exists");
    expectRefused({"new", file_, "--type", "K", "--name", "open mail", "--body", "x"},
                  "Command already exists");
    expectRefused({"new", file_, "--type", "K", "--name", "go <nowhere>", "--body", "x"},
                  "nowhere: Sorry, must create any new LISTs first");
    expectRefused({"new", file_, "--type", "K", "--program", "excel", "--name", "x", "--body", "x"},
                  "Please pick a different Program, Scope, Group, or View: Quillmark10 cannot "
                  "create a new command for this Program, Scope, Group, or View.");
    expectRefused({"new-list", file_, "--name", "Colors", "--body", "x"},
                  "Only numbers, letters and _-. are allowed by Dragon in LIST names");
    expectRefused({"to-plain", file_, "--name", "open mail"}, "without {");
    expectRefused({"set-body", file_, "--name", "type name", "--body", "\u263A"},
                  "cannot be stored in a command file");
    EXPECT_EQ(qmk({"set-body", file_, "--name", "x"}).status, 1); // no body given
}

TEST_F(CliEditTest, KeysToScriptPrintsEitherForm) {
    auto r = qmk({"keys2script", "{Ctrl+c}"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Sub Main\r\n\r\nSendKeys \"^c\", true\r\n\r\nEnd Sub\n");
    r = qmk({"keys2script", "--form", "senddragonkeys", "a\"b"});
    EXPECT_EQ(r.out, "Sub Main\r\n\r\nSendDragonKeys \"a\"\"b\"\r\n\r\nEnd Sub\n");
    r = qmk({"keys2script", "{"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Please send to Tarnwell:  Conversion failed\n");
}

} // namespace qmk

namespace qmk {

TEST_F(CliEditTest, AWriteThatDoesNotParseIsUndoneFromTheBackup) {
    std::ostringstream err;
    cli::Session session(ProgramDir(home_.path("qmk")), err);
    ASSERT_EQ(session.parse(file_, false), cli::kDone);
    const auto good = bytes();
    std::ofstream(home_.path("qmk") / "savedat", std::ios::binary) << good;
    auto damaged = good;
    damaged[23] = '\t'; // inside the first name
    std::ofstream(file_, std::ios::binary | std::ios::trunc) << damaged;

    EXPECT_EQ(session.verifyWrite(), cli::kFailed);
    EXPECT_EQ(bytes(), good);
    EXPECT_TRUE(testing::contains(
        err.str(), "Quillmark will now restore the version before updating operation: "
                   "The updated mycmds.dat file was not correctly written"));
    EXPECT_TRUE(
        testing::contains(err.str(), "Now exiting: Please send file 'error.log' to Tarnwell"));
    EXPECT_TRUE(
        testing::contains(testing::readBytes(home_.path("qmk") / "error.log"), "NOW TRACE"));
}

} // namespace qmk

namespace qmk {

TEST_F(CliEditTest, BulkCommandsSelectAskAndRefuse) {
    // No terminal and no --yes: a question refuses with status 4 and changes nothing.
    const auto before = bytes();
    auto r = qmk({"convert", file_, "--to", "7.0"});
    EXPECT_EQ(r.status, 4);
    EXPECT_TRUE(testing::contains(r.err, "\"Convert this file to 7.0 format?\""));
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(qmk({"language", file_, "--to", "English"}).err,
              "English: Already in this language - Not Converted\n");
    EXPECT_EQ(qmk({"delete", file_}).status, 1); // nothing selected
    EXPECT_EQ(bytes(), before);

    r = qmk({"rename-program", file_, "--program", "winword", "--to", "excel.EXE"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(json().find(R"("menu": "EXCEL", "state": "Application-specific", "name": "bold")"),
              std::string::npos);
    r = qmk({"rename-group", file_, "--group", "Mail", "--to", "Post"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Mail->Post: Group renamed\n");
    r = qmk({"delete", file_, "--pick", "uses <colors>", "--pick", "type name"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(testing::contains(json(), "uses <colors>"));
    EXPECT_FALSE(testing::contains(json(), "\"colors\"")); // no command names it any more

    const auto target = home_.path("exported").string();
    r = qmk({"export", file_, "--all", "--to", target, "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(target + ".dat"));
    r = qmk({"export", file_, "--all", "--to", target + ".dat"});
    EXPECT_EQ(r.status, 4); // the existing-file prompt needs an answer
    r = qmk({"export", file_, "--all", "--to", target + ".dat", "--append", "--on-duplicate",
             "no-all"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(testing::contains(r.out, "Export Operation Completed (0 commands"));
    EXPECT_EQ(qmk({"export", file_, "--all", "--to", file_}).err,
              file_ + ": Can't export to self\n");

    r = qmk({"dvc", file_, "--all", "--to", "plain"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(testing::contains(r.out, " Conversion of DVCs to Plain Text Complete"));
    EXPECT_EQ(qmk({"language", file_, "--to", "French", "--yes"}).status, 0);
    r = qmk({"dvc", file_, "--all", "--to", "vba"});
    EXPECT_EQ(r.err, "Contact Tarnwell if you are interested in a non-English User: Sorry, this "
                     "command is only supported for English Language Users\n");
}

} // namespace qmk

namespace qmk {

TEST_F(CliEditTest, ADemoSetupLeavesARealDragonInstallationAlone) {
    namespace fs = std::filesystem;
    const auto dragon = home_.path("real") / "ProgramData" / "Nuance" / "NaturallySpeaking10";
    fs::create_directories(dragon);
    const std::string real = "[Settings]\r\nsupported languages=ENX\r\n";
    std::ofstream(dragon / "nssystem.ini", std::ios::binary) << real;
    const auto refused = qmk({"demo-setup", "--dir", utf8Of(home_.path("real"))});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(testing::contains(refused.err, "leaves a real installation alone"));
    EXPECT_EQ(testing::readBytes(dragon / "nssystem.ini"), real);
    EXPECT_FALSE(fs::exists(dragon / "users"));
    // A demo's own installation is set up again.
    const auto demo = home_.path("demo");
    ASSERT_EQ(qmk({"demo-setup", "--dir", utf8Of(demo)}).status, 0);
    EXPECT_EQ(qmk({"demo-setup", "--dir", utf8Of(demo)}).status, 0);
    EXPECT_EQ(qmk({"demo-setup", "--dir", utf8Of(demo), "--system-folders"}).status, 2);

    // Dragon's INI files are in its code page: a user name it cannot hold is refused.
    const auto polish =
        qmk({"demo-setup", "--dir", utf8Of(home_.path("pl")), "--user", "\xc5\x81ukasz"});
    EXPECT_EQ(polish.status, 1);
    EXPECT_TRUE(testing::contains(polish.err, "A Dragon user cannot be named"));
    EXPECT_FALSE(fs::exists(home_.path("pl")));
    const auto german = home_.path("de");
    ASSERT_EQ(qmk({"demo-setup", "--dir", utf8Of(german), "--user", "J\xc3\xbcrgen"}).status, 0);
    const auto nsuser = german / "AppData" / "Nuance" / "NaturallySpeaking10" / "nsuser.ini";
    EXPECT_EQ(testing::readBytes(nsuser), "[Settings]\r\nCurrent User=J\xfcrgen\r\n");
    testing::setEnvironment("QUILLMARK10_COMMON_APPDATA", german / "ProgramData");
    testing::setEnvironment("QUILLMARK10_APPDATA", german / "AppData");
    const auto who = qmk({"whoami", "--json"});
    testing::unsetEnvironment("QUILLMARK10_COMMON_APPDATA");
    testing::unsetEnvironment("QUILLMARK10_APPDATA");
    ASSERT_EQ(who.status, 0) << who.err;
    EXPECT_EQ(nlohmann::json::parse(who.out)["CurrentUser"], "J\xc3\xbcrgen");
}

TEST_F(CliEditTest, ADemoDragonInstallationIsFoundAndItsUserListed) {
    const auto setup = qmk({"demo-setup", "--dir", utf8Of(home_.path("dragon"))});
    ASSERT_EQ(setup.status, 0) << setup.err;
    const auto common = home_.path("dragon") / "ProgramData";
    const auto perUser = home_.path("dragon") / "AppData";
#ifdef _WIN32
    const auto exported = "set \"QUILLMARK10_COMMON_APPDATA=" + utf8Of(common) + "\"\n";
#else
    const auto exported = "export QUILLMARK10_COMMON_APPDATA='" + utf8Of(common) + "'\n";
#endif
    EXPECT_TRUE(testing::contains(setup.out, exported));
    testing::setEnvironment("QUILLMARK10_COMMON_APPDATA", common);
    testing::setEnvironment("QUILLMARK10_APPDATA", perUser);

    const auto who = qmk({"whoami", "--json"});
    EXPECT_EQ(who.status, 0) << who.err;
    const auto found = nlohmann::json::parse(who.out);
    EXPECT_EQ(found["CurrentUser"], "Demo User");
    EXPECT_EQ(found["UserSub"], "Demo User");
    EXPECT_EQ(found["MajorVersion"], 10);
    EXPECT_EQ(found["MinorVersion"], 1);
    EXPECT_EQ(found["language"], "ENX");
    EXPECT_EQ(found["RoamingUserOn"], false);
    const auto listed = qmk({"parse"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out, "397 /2\n");

    // A write to the user's own file keeps the day's archive first; the archive restores it.
    const auto own = common / "Nuance" / "NaturallySpeaking10" / "users" / "Demo User" / "current" /
                     "mycmds.dat";
    const auto before = testing::readBytes(own);
    auto edited = qmk({"set-body", "--name", "sign off", "--body", "Bye"});
    ASSERT_EQ(edited.status, 0) << edited.err;
    const auto archives = qmk({"rollback", "--list"});
    ASSERT_EQ(archives.status, 0) << archives.err;
    const auto name = archives.out.substr(0, archives.out.find('\n'));
    EXPECT_EQ(name.substr(0, 7), "mycmds.");
    EXPECT_EQ(testing::readBytes(home_.path("qmk") / "Demo User" / name), before);
    EXPECT_EQ(qmk({"rollback", name}).status, 4); // the question needs --yes here
    const auto editedBytes = testing::readBytes(own);
    const auto notArchive = qmk({"rollback", "mycmds.01011999", "--yes"});
    EXPECT_EQ(notArchive.status, 1);
    EXPECT_TRUE(
        testing::contains(notArchive.err, "mycmds.01011999 is not an archive of user 'Demo User'"));
    EXPECT_EQ(testing::readBytes(own), editedBytes);
    const auto restored = qmk({"rollback", name, "--yes"});
    ASSERT_EQ(restored.status, 0) << restored.err;
    EXPECT_EQ(testing::readBytes(own), before);
    EXPECT_NE(testing::readBytes(home_.path("qmk") / "Demo User" / "mycmds.prerollback"), before);
    const auto manual = qmk({"backup"});
    EXPECT_EQ(manual.status, 0);
    EXPECT_TRUE(testing::contains(manual.err, "Backup taken successfully to above named file"));

    // Bodies the program does not write are refused from the command line as in the window.
    const std::pair<std::vector<std::string>, std::string> readOnly[] = {
        {{"set-body", "--name", "letterhead", "--body", "x"},
         "The body of this command cannot be edited"},
        {{"set-body", "--name", "vendor macro", "--body", "x"},
         "This command has been encrypted, and cannot be edited"},
        {{"to-advanced", "--name", "vendor macro"}, "Only a KEYS command with {"},
        {{"rename", "--list", "mailbox", "--to", "Mail Box", "--yes"},
         "Only numbers, letters and _-. are allowed by Dragon in LIST names"}};
    for (const auto& [args, message] : readOnly) {
        const auto unchanged = testing::readBytes(own);
        const auto r = qmk(args);
        EXPECT_EQ(r.status, 1) << args[2];
        EXPECT_TRUE(testing::contains(r.err, message));
        EXPECT_EQ(testing::readBytes(own), unchanged) << args[2];
    }

    // The user's own file is never converted, nor every Program in it renamed, whether it is
    // named or found; each refusal leaves it byte for byte as it was.
    const auto live = testing::readBytes(own);
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"convert", "--to", "8.0", "--yes"},
         "This is your open version 10 User file - Not Allowed"},
        {{"convert", own.string(), "--to", "7.0", "--yes"},
         "This is your open version 9 User file - Not Allowed"},
        {{"language", "--to", "French", "--yes"},
         "Cannot convert current (or any) User file, only Exported files"},
        {{"language", own.string(), "--to", "German", "--yes"},
         "Cannot convert current (or any) User file, only Exported files"},
        {{"rename-program", "--all", "--to", "word", "--yes"},
         "Rename Program not allowed on production file with All or Group"},
        {{"rename-program", own.string(), "--group", "User-defined", "--to", "word", "--yes"},
         "Rename Program not allowed on production file with All or Group"}};
    for (const auto& [args, message] : refused) {
        const auto r = qmk(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_TRUE(testing::contains(r.err, message));
        EXPECT_EQ(testing::readBytes(own), live) << args[0];
    }
    // A copy of it is an exported file: it converts.
    const auto copy = home_.path("copy.dat");
    std::filesystem::copy_file(own, copy);
    const auto converted = qmk({"language", copy.string(), "--to", "French", "--yes"});
    EXPECT_EQ(converted.status, 0) << converted.err;
    EXPECT_EQ(static_cast<unsigned char>(testing::readBytes(copy).at(15)), 12);

    testing::setEnvironment("QUILLMARK10_APPDATA", home_.path("nowhere"));
    const auto lost = qmk({"whoami"});
    EXPECT_EQ(lost.status, 2);
    EXPECT_TRUE(testing::contains(lost.err, "Expected file not found:"));
    testing::unsetEnvironment("QUILLMARK10_COMMON_APPDATA");
    testing::unsetEnvironment("QUILLMARK10_APPDATA");
}

} // namespace qmk

namespace qmk {

TEST_F(CliEditTest, TheMergeToolMergesCommandsAndReplacesTheSameOnes) {
    CommandFileBuilder source;
    source.command("type name").keys("New Name");
    source.command("pick <sizes>").keys("p");
    source.list("sizes", {"big"});
    const auto from = home_.writeFile("source.dat", source.build());
    ASSERT_EQ(HiddenProcess::run({MERGEMYCMDS, file_, utf8Of(from)})->wait(), 0);
    const auto rows = json();
    EXPECT_NE(rows.find(R"("name": "type name", "Type": "K", "script": "New Name")"),
              std::string::npos);
    EXPECT_EQ(rows.find(R"("script": "Pat")"), std::string::npos); // replaced, not kept twice
    EXPECT_NE(rows.find(R"("name": "pick <sizes>")"), std::string::npos);
    EXPECT_NE(rows.find(R"("name": "sizes", "Type": "L")"), std::string::npos);
    EXPECT_NE(rows.find(R"("name": "open mail")"), std::string::npos);
    EXPECT_NE(HiddenProcess::run({MERGEMYCMDS, "only-one"})->wait(), 0);
}

} // namespace qmk

namespace qmk {

namespace {
// The simulated Dragon's program file, beside the merge tool as Dragon's own is.
std::string dragonBesideMergeTool() {
    return (std::filesystem::path(MERGEMYCMDS).parent_path() / "natspeak").string();
}
} // namespace

TEST_F(CliEditTest, TheSaveCyclesMergeRunsTheToolAndRefreshesTheStore) {
    testing::setEnvironment("QUILLMARK10_DRAGON_PROGRAM", dragonBesideMergeTool());
    CommandFileBuilder source(7, 12); // another language: the merge gives it the target's
    source.command("merged in").keys("m");
    const auto from = home_.writeFile("source.dat", source.build());
    const auto r = qmk({"merge", file_, from.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Update processed, User ready\n");
    EXPECT_NE(json().find(R"("name": "merged in")"), std::string::npos);
    EXPECT_EQ(testing::readBytes(from)[15], 9);

    // A source that is not there is said before the tool runs.
    const auto missing = qmk({"merge", file_, home_.path("gone.dat").string()});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, home_.path("gone.dat").string() + ": File does not exist\n");

    // A tool that changes nothing.
    const auto idle = home_.path("idle-dragon");
    std::filesystem::create_directories(idle);
    std::filesystem::copy_file(pathFromUtf8(IDLE_TOOL),
                               idle / ("mergemycmds" + std::string(native::kProgramSuffix)));
    testing::setEnvironment("QUILLMARK10_DRAGON_PROGRAM", idle / "natspeak");
    const auto failed = qmk({"merge", file_, from.string()});
    EXPECT_EQ(failed.status, 1);
    EXPECT_TRUE(testing::contains(failed.err, file_ + ": Unable to update above file"));
    testing::unsetEnvironment("QUILLMARK10_DRAGON_PROGRAM");
}

} // namespace qmk

namespace qmk {

TEST_F(CliEditTest, InitInstallsTheSuppliedCommandFiles) {
    const auto folder = home_.path("qmk");
    const auto launch = (folder / "qmk10global.dat").string();
    const auto parsed = qmk({"parse", launch});
    ASSERT_EQ(parsed.status, 0) << parsed.err;
    EXPECT_EQ(parsed.out, "2 /0\n");
    const auto rows = testing::spacedJson(qmk({"list", launch, "--json"}).out);
    EXPECT_NE(
        rows.find(R"("name": "global quillmark", "Type": "A", "script": "Sub Main\r\n    ' qmk9)"),
        std::string::npos);
    EXPECT_NE(rows.find(R"("name": "local quillmark")"), std::string::npos);
    EXPECT_EQ(qmk({"parse", (folder / "placer.dat").string()}).out, "0 /0\n");

    // Merging the placeholder changes the file's time and none of its commands.
    testing::setEnvironment("QUILLMARK10_DRAGON_PROGRAM", dragonBesideMergeTool());
    const auto before = qmk({"parse", file_}).out;
    const auto merged = qmk({"merge", file_, (folder / "placer.dat").string()});
    EXPECT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(qmk({"parse", file_}).out, before);
    testing::unsetEnvironment("QUILLMARK10_DRAGON_PROGRAM");
    EXPECT_TRUE(testing::contains(qmk({"init"}).out, "kept " + (folder / "placer.dat").string()));
}

} // namespace qmk

namespace qmk {

TEST_F(CliEditTest, ReportReplaceAndFindFromTheCommandLine) {
    const auto listing = home_.path("names.txt").string();
    const auto report = qmk({"report", file_, "--all", "--mode", "txt", "--out", listing});
    ASSERT_EQ(report.status, 0) << report.err;
    // LISTs are reported as the window reports them: the View's "L" shows them.
    EXPECT_EQ(testing::readBytes(listing),
              "\r\nGlobal Commands Global Commands\r\ncolors\r\nopen mail\r\ntype name\r\n"
              "uses <colors>\r\n\r\nWINWORD Application-specific\r\nbold\r\n");
    const auto withoutLists = qmk({"report", file_, "--all", "--view", "KSATPRX", "--mode", "txt",
                                   "--out", listing, "--yes"});
    ASSERT_EQ(withoutLists.status, 0) << withoutLists.err;
    EXPECT_FALSE(testing::contains(testing::readBytes(listing), "colors\r\n"));
    // An existing report is not overwritten without an answer; a missing folder is said.
    EXPECT_EQ(qmk({"report", file_, "--all", "--mode", "txt", "--out", listing}).status, 4);
    const auto missing = qmk({"report", file_, "--all", "--mode", "txt", "--out",
                              home_.path("nowhere/names.txt").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, home_.path("nowhere").string() + ": Folder does not exist\n");
    const auto dvc = qmk({"report", file_, "--program", "WINWORD", "--mode", "dvc", "--out",
                          home_.path("word.dvc").string()});
    EXPECT_EQ(dvc.status, 0) << dvc.err;
    EXPECT_TRUE(
        testing::contains(testing::readBytes(home_.path("word.dvc")), "MENU \"WINWORD\" {"));

    const auto replaced =
        qmk({"replace", file_, "--all", "--search", "ctrl", "--replace", "Shift", "--yes"});
    ASSERT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_TRUE(testing::contains(replaced.err, "1 occurrences in 1 macros replaced"));
    EXPECT_NE(json().find(R"("script": "{Shift+m}")"), std::string::npos);

    const auto found = qmk({"find", "--in", "body", "shift", file_});
    ASSERT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.out, "Global Commands\tGlobal Commands\topen mail\n");
    EXPECT_EQ(qmk({"find", "nothing like it", file_}).status, 1);
}

} // namespace qmk

namespace qmk {

// Two qmk10 processes, each with its own program directory, edit one command file at once:
// each change is kept, or refused with the reason, and each run says truly which.
TEST_F(CliEditTest, TwoWritersAtOnceKeepBothChangesOrSayWhyNot) {
    const auto a = utf8Of(home_.path("qmk"));
    const auto b = utf8Of(home_.path("qmkB"));
    ASSERT_EQ(
        HiddenProcess::run({QMK10, "--home", b, "init"}, {home_.path("init.out"), {}})->wait(), 0);
    const auto start = [&](const std::string& home, const std::string& name,
                           const std::string& body, const std::string& tag) {
        return HiddenProcess::run(
            {QMK10, "--home", home, "set-body", file_, "--name", name, "--body", body},
            {home_.path(tag + ".out"), home_.path(tag + ".err")});
    };
    int kept = 0, refused = 0;
    for (int round = 0; round < 50; ++round) {
        const auto bodyA = "a" + std::to_string(round);
        const auto bodyB = "b" + std::to_string(round);
        auto writerA = start(a, "open mail", bodyA, "A");
        auto writerB = start(b, "type name", bodyB, "B");
        ASSERT_TRUE(writerA && writerB);
        const std::pair<int, int> statuses{writerA->wait(), writerB->wait()};
        const auto listed = json();
        for (const auto& [tag, body, status] :
             {std::tuple{"A", bodyA, statuses.first}, std::tuple{"B", bodyB, statuses.second}}) {
            const auto err = testing::readBytes(home_.path(std::string(tag) + ".err"));
            const bool present = listed.find("\"script\": \"" + body + "\"") != std::string::npos;
            if (status == 0) {
                ++kept;
                EXPECT_TRUE(present) << "round " << round << ' ' << tag << " said saved";
            } else {
                ++refused;
                EXPECT_EQ(status, 1) << err;
                EXPECT_TRUE(
                    testing::contains(err, "The command file is being changed by another program"));
                EXPECT_FALSE(present) << "round " << round << ' ' << tag << " said refused";
            }
        }
    }
    EXPECT_EQ(kept + refused, 100);
    EXPECT_GT(kept, 90);
    RecordProperty("kept", kept);
    RecordProperty("refused", refused);
}

} // namespace qmk
