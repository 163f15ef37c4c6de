#include "actions/command_run.h"
#include "command_file_builder.h"
#include "common/native.h"
#include "common/utf8_path.h"
#include "console_prompt.h"
#include "platform/process.h"
#include "run_qmk10.h"
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
    // Whether the file's listing holds `part`.
    ::testing::AssertionResult listed(std::string_view part) {
        return testing::contains(json(), part);
    }
    std::string bytes() const { return testing::readBytes(file_); }

    testing::TestHome home_;
    testing::ScopedEnvironment environment_;
    std::string file_;
};

} // namespace

TEST_F(CliEditTest, EditsReachTheFileAndTheStore) {
    using testing::succeeded;
    auto r = qmk({"set-body", file_, "--name", "type name", "--body", "Pat Example"});
    ASSERT_TRUE(succeeded(r));
    EXPECT_EQ(r.out, "body saved\n");
    EXPECT_TRUE(listed(R"("name": "type name", "type": "K", "script": "Pat Example")"));
    // A legacy script is checked as the window checks it.
    EXPECT_TRUE(testing::failedWith(
        qmk({"set-body", file_, "--program", "WinWord", "--name", "bold", "--body-file", "-"},
            "Sub Main\r\nEnd Sub\r\n\r\n"),
        1, "Error in your script at line: 1"));
    ASSERT_TRUE(succeeded(
        qmk({"set-body", file_, "--program", "WinWord", "--name", "bold", "--body-file", "-"},
            "SendKeys \"b\"\r\nWait 10\r\n\r\n")));
    EXPECT_TRUE(listed(R"("script": "SendKeys \"b\"\r\nWait 10\r\n")"));
    ASSERT_TRUE(succeeded(qmk({"set-details", file_, "--name", "open mail", "--new-name",
                               "open inbox", "--description", "new", "--group", "Post"})));
    EXPECT_TRUE(
        listed(R"("name": "open inbox", "type": "K", "script": "{Ctrl+m}", "availability": "G", )"
               R"("group_name": "Post")"));
    // A key string becomes a SendKeys script for an English user's file only.
    CommandFileBuilder french(7, 12);
    french.command("open inbox").keys("{Ctrl+i}");
    EXPECT_TRUE(testing::failedWith(
        qmk({"to-advanced", home_.writeFile("french.dat", french.build()).string(), "--name",
             "open inbox"}),
        1, "Sorry, this command is only supported for English Language Users"));
    ASSERT_TRUE(succeeded(qmk({"to-advanced", file_, "--name", "open inbox"})));
    EXPECT_TRUE(listed(R"("name": "open inbox", "type": "A", )"
                       R"("script": "Sub Main\r\n\r\nSendKeys \"^m\", true\r\n\r\nEnd Sub\r\n")"));
    ASSERT_TRUE(succeeded(qmk({"to-plain", file_, "--name", "type name"})));
    EXPECT_TRUE(listed(R"("name": "type name", "type": "P", "script": "Pat Example")"));
    ASSERT_TRUE(succeeded(qmk({"new-list", file_, "--name", "sizes", "--body", "big\r\nsmall"})));
    ASSERT_TRUE(succeeded(qmk({"new", file_, "--type", "A", "--program", "winword", "--name",
                               "size <sizes>", "--body", "Sub Main"})));
    EXPECT_TRUE(listed(R"("program": "WINWORD", "scope": "Application-specific", )"
                       R"("name": "size <sizes>", "type": "A", "script": "Sub Main\r\n")"));
    EXPECT_TRUE(listed(R"("description_length": 4, "company_name_length": 9)"));

    // The LIST-in-use question is asked as the window asks it: unanswered, nothing changes.
    EXPECT_TRUE(testing::failedWith(qmk({"rename", file_, "--list", "sizes", "--to", "sizing"}), 4,
                                    "There are 1 commands using this LIST including:"));
    ASSERT_TRUE(succeeded(qmk({"rename", file_, "--list", "sizes", "--to", "sizing", "--yes"})));
    EXPECT_TRUE(listed(R"("name": "sizing", "type": "L")"));
}

TEST_F(CliEditTest, RefusalsAreShownAndWriteNothing) {
    const auto before = bytes();
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"set-body", file_, "--name", "type name", "--body", ""}, "Empty content not allowed"},
        {{"set-body", file_, "--name", "nobody", "--body", "x"}, "is not in the command file"},
        {{"rename", file_, "--name", "type name", "--to", "type name"},
         "Must delete first: type name already exists"},
        {{"new", file_, "--type", "K", "--name", "open mail", "--body", "x"},
         "Command already exists"},
        {{"new", file_, "--type", "K", "--name", "go <nowhere>", "--body", "x"},
         "nowhere: Sorry, must create any new LISTs first"},
        {{"new", file_, "--type", "K", "--program", "excel", "--name", "x", "--body", "x"},
         "Please pick a different Program, Scope, Group, or View: Quillmark10 cannot create a new "
         "command for this Program, Scope, Group, or View."},
        {{"new-list", file_, "--name", "Colors", "--body", "x"},
         "Only numbers, letters and _-. are allowed by Dragon in LIST names"},
        {{"to-plain", file_, "--name", "open mail"}, "without {"},
        {{"set-body", file_, "--name", "type name", "--body", "\u263A"},
         "cannot be stored in a command file"},
        {{"set-body", file_, "--name", "type name"}, "Give --body or --body-file"},
        // Texts a command file or Dragon's XML cannot carry are refused where they enter.
        {{"new", file_, "--type", "K", "--name", "   ", "--body", "x"},
         "A name cannot be only blanks"},
        {{"new", file_, "--type", "K", "--name", "a\x7f", "--body", "x"},
         "A name cannot hold tabs, line breaks or other control characters"},
        {{"new", file_, "--type", "K", "--name", "a\u0081", "--body", "x"},
         "A name cannot hold tabs, line breaks or other control characters"},
        {{"set-details", file_, "--name", "type name", "--group", "a\nb"},
         "The group cannot hold line breaks or other control characters"},
        {{"set-details", file_, "--name", "type name", "--description", "a\x01"},
         "The description cannot hold line breaks or other control characters"},
        {{"new-list", file_, "--name", "ok", "--body", "a\x02\r\nb"},
         "The LIST items can hold line breaks (CR LF) but no other control character"},
        {{"rename-program", file_, "--program", "winword", "--to", ".exe"},
         "No New Program entered"},
        {{"rename-program", file_, "--program", "winword", "--to", "a\r\nb"},
         "The new Program cannot hold line breaks"},
        {{"demo-setup", "--dir", home_.path("demo").string(), "--user", "a\nb"},
         "A Dragon user cannot be named"},
    };
    for (const auto& [args, message] : refused) {
        EXPECT_TRUE(testing::failedWith(qmk(args), 1, message)) << args[0];
        EXPECT_EQ(bytes(), before) << args[0];
    }
    // A file's first Global Command is made after the window's question only.
    CommandFileBuilder noGlobal;
    noGlobal.command("bold").application("winword").keys("{Ctrl+b}");
    const auto file = home_.writeFile("noglobal.dat", noGlobal.build()).string();
    const std::vector<std::string> first{"new", file, "--type", "K", "--name", "x", "--body", "y"};
    EXPECT_TRUE(testing::failedWith(qmk(first), 4, "To create your first 'Global Commands'"));
    auto yes = first;
    yes.push_back("--yes");
    EXPECT_TRUE(testing::succeeded(qmk(yes)));
}

TEST_F(CliEditTest, KeysToScriptPrintsEitherForm) {
    EXPECT_EQ(qmk({"keys2script", "{Ctrl+c}"}).out,
              "Sub Main\r\n\r\nSendKeys \"^c\", true\r\n\r\nEnd Sub\n");
    EXPECT_EQ(qmk({"keys2script", "--form", "senddragonkeys", "a\"b"}).out,
              "Sub Main\r\n\r\nSendDragonKeys \"a\"\"b\"\r\n\r\nEnd Sub\n");
    const auto r = qmk({"keys2script", "{"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Please send to Tarnwell:  Conversion failed\n");
}

// A store that proves damaged in the middle of a command is rebuilt: a read runs again, a write
// does not (the file is read into the new store instead); any other failure of the store is said.
TEST_F(CliEditTest, ADamagedStoreIsRebuiltAndOnlyAReadRunsAgain) {
    const StoreError damaged(11, "database disk image is malformed"); // SQLITE_CORRUPT
    const std::tuple<bool, int, int, const char*> cases[] = {
        {true, actions::kDone, 2, ""},
        {false, actions::kFailed, 1, "Check whether it holds your change"},
    };
    for (const auto& [repeatable, status, attempts, said] : cases) {
        std::ostringstream err;
        cli::ConsolePrompt prompt(err, nullptr, true);
        actions::CommandRun session(ProgramDir(home_.path("qmk")), prompt, err);
        int tried = 0, retried = 0;
        const auto attempt = [&] {
            if (++tried == 1)
                throw damaged;
            return session.parse(file_, false);
        };
        EXPECT_EQ(session.runRecoveringStore(
                      attempt, repeatable, [&] { ++retried; }, file_),
                  status);
        EXPECT_EQ(tried, attempts) << repeatable;
        EXPECT_EQ(retried, attempts - 1) << repeatable;
        EXPECT_TRUE(session.storeRebuilt());
        EXPECT_TRUE(testing::contains(err.str(), said)) << err.str();
    }
    std::ostringstream err;
    cli::ConsolePrompt prompt(err);
    actions::CommandRun session(ProgramDir(home_.path("qmk")), prompt, err);
    EXPECT_EQ(session.runRecoveringStore([]() -> int { throw StoreError(13, "disk full"); }, true,
                                         [] {}, file_),
              actions::kFailed);
    EXPECT_EQ(err.str(), "The command store failed: disk full (Error # =13)\n");
}

TEST_F(CliEditTest, AWriteThatDoesNotParseIsUndoneFromTheBackup) {
    std::ostringstream err;
    cli::ConsolePrompt prompt(err);
    actions::CommandRun session(ProgramDir(home_.path("qmk")), prompt, err);
    ASSERT_EQ(session.parse(file_, false), actions::kDone);
    const auto good = bytes();
    keepBackup(FileOps::system(), ProgramDir(home_.path("qmk")), file_, good);
    auto damaged = good;
    damaged[23] = '\t'; // inside the first name
    std::ofstream(file_, std::ios::binary | std::ios::trunc) << damaged;

    EXPECT_EQ(session.verifyWrite(), actions::kFailed);
    EXPECT_EQ(bytes(), good);
    EXPECT_TRUE(testing::contains(
        err.str(), "Quillmark will now restore the version before updating operation: "
                   "The updated mycmds.dat file was not correctly written"));
    EXPECT_TRUE(
        testing::contains(err.str(), "Now exiting: Please send file 'error.log' to Tarnwell"));
    EXPECT_TRUE(
        testing::contains(testing::readBytes(home_.path("qmk") / "error.log"), "NOW TRACE"));
}

TEST_F(CliEditTest, BulkCommandsSelectAskAndRefuse) {
    using testing::failedWith;
    using testing::succeeded;
    // No terminal and no --yes: a question refuses with status 4 and changes nothing.
    const auto before = bytes();
    EXPECT_TRUE(failedWith(qmk({"convert", file_, "--to", "7.0"}), 4,
                           "\"Convert this file to 7.0 format?\""));
    EXPECT_EQ(qmk({"language", file_, "--to", "English"}).err,
              "English: Already in this language - Not Converted\n");
    EXPECT_EQ(qmk({"delete", file_}).status, 1); // nothing selected
    EXPECT_EQ(bytes(), before);

    EXPECT_TRUE(
        succeeded(qmk({"rename-program", file_, "--program", "winword", "--to", "excel.EXE"})));
    EXPECT_TRUE(listed(R"("program": "EXCEL", "scope": "Application-specific", "name": "bold")"));
    EXPECT_EQ(qmk({"rename-group", file_, "--group", "Mail", "--to", "Post"}).out,
              "Mail->Post: Group renamed\n");
    // With All groups chosen, the result names the Groups the commands came from.
    EXPECT_EQ(qmk({"rename-group", file_, "--all", "--group", "All groups", "--to", "Desk"}).out,
              "Post and User-defined->Desk: Group renamed\n");
    // A LIST that goes with the deleted commands is named in the question first.
    EXPECT_TRUE(failedWith(qmk({"delete", file_, "--pick", "uses <colors>", "--pick", "type name"}),
                           4,
                           "The LIST colors, which no other command uses, is deleted with them."));
    ASSERT_TRUE(succeeded(
        qmk({"delete", file_, "--pick", "uses <colors>", "--pick", "type name", "--yes"})));
    EXPECT_FALSE(listed("uses <colors>"));
    EXPECT_FALSE(listed("\"colors\"")); // no command names it any more

    const auto target = home_.path("exported").string();
    ASSERT_TRUE(succeeded(qmk({"export", file_, "--all", "--to", target, "--yes"})));
    EXPECT_TRUE(std::filesystem::exists(target + ".dat"));
    // The existing-file question needs an answer.
    EXPECT_EQ(qmk({"export", file_, "--all", "--to", target + ".dat"}).status, 4);
    EXPECT_TRUE(testing::contains(qmk({"export", file_, "--all", "--to", target + ".dat",
                                       "--append", "--on-duplicate", "no-all"})
                                      .out,
                                  "Export Operation Completed (0 commands"));
    EXPECT_EQ(qmk({"export", file_, "--all", "--to", file_}).err,
              file_ + ": Can't export to self\n");

    EXPECT_TRUE(testing::contains(qmk({"dvc", file_, "--all", "--to", "plain"}).out,
                                  " Conversion of DVCs to Plain Text Complete"));
    EXPECT_TRUE(succeeded(qmk({"language", file_, "--to", "French", "--yes"})));
    EXPECT_EQ(qmk({"dvc", file_, "--all", "--to", "vba"}).err,
              "Contact Tarnwell if you are interested in a non-English User: Sorry, this "
              "command is only supported for English Language Users\n");
}

TEST_F(CliEditTest, ADemoSetupLeavesARealDragonInstallationAlone) {
    namespace fs = std::filesystem;
    const auto dragon = home_.path("real") / "ProgramData" / "Nuance" / "NaturallySpeaking10";
    fs::create_directories(dragon);
    const std::string real = "[Settings]\r\nsupported languages=ENX\r\n";
    std::ofstream(dragon / "nssystem.ini", std::ios::binary) << real;
    EXPECT_TRUE(testing::failedWith(qmk({"demo-setup", "--dir", utf8Of(home_.path("real"))}), 1,
                                    "leaves a real installation alone"));
    EXPECT_EQ(testing::readBytes(dragon / "nssystem.ini"), real);
    EXPECT_FALSE(fs::exists(dragon / "users"));
    // A demo's own installation is set up again.
    const auto demo = home_.path("demo");
    ASSERT_EQ(qmk({"demo-setup", "--dir", utf8Of(demo)}).status, 0);
    EXPECT_EQ(qmk({"demo-setup", "--dir", utf8Of(demo)}).status, 0);
    EXPECT_EQ(qmk({"demo-setup", "--dir", utf8Of(demo), "--system-folders"}).status, 2);

    // Dragon's INI files are in its code page: a user name it cannot hold is refused.
    EXPECT_TRUE(testing::failedWith(
        qmk({"demo-setup", "--dir", utf8Of(home_.path("pl")), "--user", "\xc5\x81ukasz"}), 1,
        "A Dragon user cannot be named"));
    EXPECT_FALSE(fs::exists(home_.path("pl")));
    const auto german = home_.path("de");
    ASSERT_EQ(qmk({"demo-setup", "--dir", utf8Of(german), "--user", "J\xc3\xbcrgen"}).status, 0);
    const auto nsuser = german / "AppData" / "Nuance" / "NaturallySpeaking10" / "nsuser.ini";
    EXPECT_EQ(testing::readBytes(nsuser), "[Settings]\r\nCurrent User=J\xfcrgen\r\n");
    environment_.set("QUILLMARK10_COMMON_APPDATA", german / "ProgramData")
        .set("QUILLMARK10_APPDATA", german / "AppData");
    const auto who = qmk({"whoami", "--json"}).out;
    EXPECT_EQ(nlohmann::json::parse(who)["CurrentUser"], "J\xc3\xbcrgen");
}

TEST_F(CliEditTest, ADemoDragonInstallationIsFoundAndItsUserListed) {
    const auto setup = qmk({"demo-setup", "--dir", utf8Of(home_.path("dragon"))});
    ASSERT_TRUE(testing::succeeded(setup));
    const auto common = home_.path("dragon") / "ProgramData";
    const auto perUser = home_.path("dragon") / "AppData";
#ifdef _WIN32
    const auto exported = "set \"QUILLMARK10_COMMON_APPDATA=" + utf8Of(common) + "\"\n";
#else
    const auto exported = "export QUILLMARK10_COMMON_APPDATA='" + utf8Of(common) + "'\n";
#endif
    EXPECT_TRUE(testing::contains(setup.out, exported));
    environment_.set("QUILLMARK10_COMMON_APPDATA", common).set("QUILLMARK10_APPDATA", perUser);

    const auto found = nlohmann::json::parse(qmk({"whoami", "--json"}).out);
    const nlohmann::json expected{{"CurrentUser", "Demo User"}, {"UserSub", "Demo User"},
                                  {"MajorVersion", 10},         {"MinorVersion", 1},
                                  {"language", "ENX"},          {"RoamingUserOn", false}};
    for (const auto& [key, value] : expected.items())
        EXPECT_EQ(found[key], value) << key;
    EXPECT_EQ(qmk({"parse"}).out, "397 /2\n");

    // A write to the user's own file keeps the day's archive first; the archive restores it.
    const auto own = common / "Nuance" / "NaturallySpeaking10" / "users" / "Demo User" / "current" /
                     "mycmds.dat";
    const auto before = testing::readBytes(own);
    ASSERT_TRUE(testing::succeeded(qmk({"set-body", "--name", "sign off", "--body", "Bye"})));
    const auto archives = qmk({"rollback", "--list"});
    const auto name = archives.out.substr(0, archives.out.find('\n'));
    EXPECT_EQ(name.substr(0, 7), "mycmds.");
    EXPECT_EQ(testing::readBytes(home_.path("qmk") / "Demo User" / name), before);
    EXPECT_EQ(qmk({"rollback", name}).status, 4); // the question needs --yes here
    const auto editedBytes = testing::readBytes(own);
    EXPECT_TRUE(testing::failedWith(qmk({"rollback", "mycmds.01011999", "--yes"}), 1,
                                    "mycmds.01011999 is not an archive of user 'Demo User'"));
    EXPECT_EQ(testing::readBytes(own), editedBytes);
    ASSERT_TRUE(testing::succeeded(qmk({"rollback", name, "--yes"})));
    EXPECT_EQ(testing::readBytes(own), before);
    EXPECT_NE(testing::readBytes(home_.path("qmk") / "Demo User" / "mycmds.prerollback"), before);
    EXPECT_TRUE(
        testing::contains(qmk({"backup"}).err, "Backup taken successfully to above named file"));

    // Bodies the program does not write are refused from the command line as in the window; the
    // user's own file is never converted, nor every Program in it renamed, whether it is named or
    // found. Each refusal leaves it byte for byte as it was.
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"set-body", "--name", "letterhead", "--body", "x"},
         "The body of this command cannot be edited"},
        {{"set-body", "--name", "vendor macro", "--body", "x"},
         "This command has been encrypted, and cannot be edited"},
        {{"to-advanced", "--name", "vendor macro"}, "Only a KEYS command with {"},
        {{"rename", "--list", "mailbox", "--to", "Mail Box", "--yes"},
         "Only numbers, letters and _-. are allowed by Dragon in LIST names"},
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
    const auto live = testing::readBytes(own);
    for (const auto& [args, message] : refused) {
        EXPECT_TRUE(testing::failedWith(qmk(args), 1, message)) << args[0] << ' ' << args[1];
        EXPECT_EQ(testing::readBytes(own), live) << args[0] << ' ' << args[1];
    }
    // A copy of it is an exported file: it converts.
    const auto copy = home_.path("copy.dat");
    std::filesystem::copy_file(own, copy);
    EXPECT_TRUE(testing::succeeded(qmk({"language", copy.string(), "--to", "French", "--yes"})));
    EXPECT_EQ(static_cast<unsigned char>(testing::readBytes(copy).at(15)), 12);

    environment_.set("QUILLMARK10_APPDATA", home_.path("nowhere"));
    EXPECT_TRUE(testing::failedWith(qmk({"whoami"}), 2, "Expected file not found:"));
}

namespace {
// The simulated Dragon's program file, beside the merge tool as Dragon's own is.
std::string dragonBesideMergeTool() {
    return (std::filesystem::path(MERGEMYCMDS).parent_path() / "natspeak").string();
}
} // namespace

TEST_F(CliEditTest, InitInstallsTheSuppliedCommandFiles) {
    const auto folder = home_.path("qmk");
    const auto launch = (folder / "qmk10global.dat").string();
    EXPECT_EQ(qmk({"parse", launch}).out, "2 /0\n");
    const auto rows = testing::spacedJson(qmk({"list", launch, "--json"}).out);
    EXPECT_TRUE(testing::contains(
        rows, R"("name": "global quillmark", "type": "A", "script": "Sub Main\r\n    ' qmk9)"));
    EXPECT_TRUE(testing::contains(rows, R"("name": "local quillmark")"));
    EXPECT_EQ(qmk({"parse", (folder / "placer.dat").string()}).out, "0 /0\n");

    // Merging the placeholder changes the file's time and none of its commands.
    environment_.set("QUILLMARK10_DRAGON_PROGRAM", dragonBesideMergeTool());
    const auto before = qmk({"parse", file_}).out;
    EXPECT_TRUE(testing::succeeded(qmk({"merge", file_, (folder / "placer.dat").string()})));
    EXPECT_EQ(qmk({"parse", file_}).out, before);
    EXPECT_TRUE(testing::contains(qmk({"init"}).out, "kept " + (folder / "placer.dat").string()));
}

TEST_F(CliEditTest, ReportReplaceAndFindFromTheCommandLine) {
    const auto listing = home_.path("names.txt").string();
    ASSERT_TRUE(
        testing::succeeded(qmk({"report", file_, "--all", "--mode", "txt", "--out", listing})));
    // LISTs are reported as the window reports them: the View's "L" shows them.
    EXPECT_EQ(testing::readBytes(listing),
              "\r\nGlobal Commands Global Commands\r\ncolors\r\nopen mail\r\ntype name\r\n"
              "uses <colors>\r\n\r\nWINWORD Application-specific\r\nbold\r\n");
    ASSERT_TRUE(testing::succeeded(qmk({"report", file_, "--all", "--view", "KSATPRX", "--mode",
                                        "txt", "--out", listing, "--yes"})));
    EXPECT_FALSE(testing::contains(testing::readBytes(listing), "colors\r\n"));
    // An existing report is not overwritten without an answer; a missing folder is said.
    EXPECT_EQ(qmk({"report", file_, "--all", "--mode", "txt", "--out", listing}).status, 4);
    const auto missing = qmk({"report", file_, "--all", "--mode", "txt", "--out",
                              home_.path("nowhere/names.txt").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, home_.path("nowhere").string() + ": Folder does not exist\n");
    EXPECT_TRUE(testing::succeeded(qmk({"report", file_, "--program", "WINWORD", "--mode", "dvc",
                                        "--out", home_.path("word.dvc").string()})));
    EXPECT_TRUE(
        testing::contains(testing::readBytes(home_.path("word.dvc")), "MENU \"WINWORD\" {"));

    EXPECT_TRUE(testing::contains(
        qmk({"replace", file_, "--all", "--search", "ctrl", "--replace", "Shift", "--yes"}).err,
        "1 occurrences in 1 macros replaced"));
    EXPECT_TRUE(listed(R"("script": "{Shift+m}")"));
    EXPECT_EQ(qmk({"find", "--in", "body", "shift", file_}).out,
              "Global Commands\tGlobal Commands\topen mail\n");
    EXPECT_EQ(qmk({"find", "nothing like it", file_}).status, 1);
}

// Runs that share one program directory, each on a file of its own, wait for each other's store:
// every one of them writes.
TEST_F(CliEditTest, WritersSharingAProgramDirectoryWaitForItsStore) {
    const auto home = utf8Of(home_.path("qmk"));
    constexpr int kWriters = 6;
    for (int round = 0; round < 8; ++round) {
        std::vector<std::optional<HiddenProcess>> writers;
        for (int w = 0; w < kWriters; ++w) {
            const auto tag = "w" + std::to_string(w);
            const auto file = home_.path(tag + ".dat");
            // MinGW's copy_file refuses overwrite_existing: start each round from a fresh copy.
            std::filesystem::remove(file);
            std::filesystem::copy_file(file_, file);
            writers.push_back(
                HiddenProcess::run({QMK10, "--home", home, "set-body", utf8Of(file), "--name",
                                    "type name", "--body", "r" + std::to_string(round)},
                                   {home_.path(tag + ".out"), home_.path(tag + ".err")}));
            ASSERT_TRUE(writers.back());
        }
        for (int w = 0; w < kWriters; ++w)
            EXPECT_EQ(writers[static_cast<std::size_t>(w)]->wait(), 0)
                << testing::readBytes(home_.path("w" + std::to_string(w) + ".err"));
    }
}

} // namespace qmk
