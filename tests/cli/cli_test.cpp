#include "command_file_builder.h"
#include "common/utf8_path.h"
#include "run_qmk10.h"
#include "store/parameters.h"
#include "test_home.h"
#include "text_checks.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/stat.h>

namespace qmk {

using fixture::CommandFileBuilder;
namespace fs = std::filesystem;

namespace {

using Outcome = testing::Qmk10Run;

// A program directory the CLI has not touched yet.
class CliTest : public ::testing::Test {
protected:
    CliTest() : folder_(home_.path("qmk")) {}

    Outcome qmk(std::vector<std::string> args) {
        return testing::runQmk10(folder_, std::move(args));
    }

    testing::TestHome home_;
    fs::path folder_;
};

std::string sampleFile() {
    CommandFileBuilder file;
    file.command("open mail").description("say \"hi\"").group("Mail").keys("{Ctrl+m}");
    file.command("bold").window("winword", "Document1").states({"Editing", "Reading"}).script("b");
    file.list("colors", {"red", "green"});
    return file.build();
}

} // namespace

TEST_F(CliTest, ParseListAndInfoShowTheFile) {
    ASSERT_EQ(qmk({"init"}).status, 0);
    const auto file = home_.writeFile("mycmds.dat", sampleFile()).string();

    EXPECT_EQ(qmk({"parse", file}).out, "2 /1\n");
    EXPECT_EQ(qmk({"parse", file}).out, "2 /1\n"); // unchanged: counted from the store

    const auto json = testing::spacedJson(qmk({"list", file, "--json"}).out);
    for (const auto* part :
         {R"("ID": 1, "filename": "mycmds.dat", "menu": "Global Commands", )"
          R"("state": "Global Commands", "name": "open mail", "Type": "K", )"
          R"("script": "{Ctrl+m}", "scope": "G", "owner": "Mail", "lists": 0, )"
          R"("offset": 22, "offsetbody": )",
          R"("description": "say \"hi\"")", R"("Global": true, "noglobals": false)",
          R"("statenames": ["Editing", "Reading"]})", R"("script": "red\r\ngreen\r\n")"})
        EXPECT_TRUE(testing::contains(json, part));

    const auto csv = qmk({"list", file, "--csv"});
    EXPECT_EQ(csv.out.substr(0, csv.out.find("\r\n")),
              "ID,filename,menu,state,name,Type,script,scope,owner,lists,offset,offsetbody,"
              "description,states,graphicsize,Global,noglobals,sleeping,singleline,globalsort,"
              "listsort,pathcode,dupe,PDescript,CompanyName,ClassName,encrypted,listcopy,flag");
    EXPECT_TRUE(testing::contains(csv.out, ",\"say \"\"hi\"\"\","));

    const auto info = qmk({"info", file});
    EXPECT_TRUE(testing::contains(info.out, "Filename:\n" + file +
                                                "\n\nVersion:           10.0\n"
                                                "Language:       English\nLast Modified: "));
    EXPECT_TRUE(testing::contains(info.out, "#Commands:  2\n#Lists:            1\n"));
    const auto properties = nlohmann::json::parse(qmk({"info", file, "--json"}).out);
    EXPECT_EQ(properties["version"], "10.0");
    EXPECT_EQ(properties["commands"], 2);
    EXPECT_EQ(properties["lists"], 1);
#ifndef _WIN32
    // A file name whose bytes are not UTF-8 still gives valid JSON, the bad byte replaced. Windows
    // names are Unicode: no such name exists there.
    const auto latin1Name = home_.writeFile("caf\xe9.dat", sampleFile()).string();
    const auto shownName =
        nlohmann::json::parse(qmk({"info", latin1Name, "--json"}).out)["file"].get<std::string>();
    EXPECT_TRUE(shownName.ends_with("/caf\xef\xbf\xbd.dat")) << shownName;
#endif
}

namespace {

// Overwrites one page of a store (pages count from 1) as a failing disk or a stray write would.
void damagePage(const fs::path& store, std::int64_t page) {
    std::fstream f(store, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp((page - 1) * 4096);
    const std::string garbage(4096, '\xde');
    f.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
}

std::int64_t rootPage(const fs::path& store, const std::string& table) {
    Database db(store);
    auto select = db.prepare("SELECT rootpage FROM sqlite_master WHERE name = ?");
    select.bind(1, table);
    return select.step() ? select.integer(0) : 0;
}

std::vector<fs::path> damagedStores(const fs::path& folder) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with("global10.mdb.damaged-"))
            found.push_back(entry.path());
    return found;
}

} // namespace

TEST_F(CliTest, ADamagedStoreIsMovedAsideAndBuiltAgainFromTheFile) {
    ASSERT_EQ(qmk({"init"}).status, 0);
    const auto file = home_.writeFile("mycmds.dat", sampleFile()).string();
    const auto store = folder_ / "global10.mdb";
    ASSERT_EQ(qmk({"parse", file}).status, 0);

    // No database at all: found on opening, nothing of the old store can be read.
    damagePage(store, 1);
    auto info = qmk({"info", file});
    EXPECT_TRUE(testing::succeeded(info));
    EXPECT_TRUE(testing::contains(info.out, "#Commands:  2\n#Lists:            1\n"));
    EXPECT_TRUE(testing::contains(
        info.err, "The command store global10.mdb was damaged (file is not a database)"));
    EXPECT_TRUE(testing::contains(info.err, "Could not be kept: the Dragon user last opened"));
    ASSERT_EQ(damagedStores(folder_).size(), 1u);
    fs::remove(damagedStores(folder_).front());

    // The rows damaged but the settings readable: found when the rows are read, the settings
    // carried over, the listing run again on the new store.
    {
        Database db(store);
        Parameters(db).set(Parameters::Text::exportPath, "/home/pat/exports");
    }
    damagePage(store, rootPage(store, "user"));
    const auto list = qmk({"list", file});
    EXPECT_TRUE(testing::succeeded(list));
    EXPECT_TRUE(testing::contains(list.out, "\topen mail\n"));
    EXPECT_EQ(list.out.find("\topen mail\n"), list.out.rfind("\topen mail\n")) << "printed once";
    EXPECT_TRUE(testing::contains(list.err, "database disk image is malformed"));
    EXPECT_TRUE(testing::contains(
        list.err, "Kept: the Dragon user last opened, that user's subfolder, the "
                  "language last chosen, the last view (Program or Group), the last "
                  "export folder, the file last opened."));
    EXPECT_FALSE(testing::contains(list.err, "Could not be kept"));
    {
        Database db(store);
        EXPECT_EQ(Parameters(db).get(Parameters::Text::exportPath), "/home/pat/exports");
    }
    ASSERT_EQ(damagedStores(folder_).size(), 1u);
    fs::remove(damagedStores(folder_).front());

    // A write that meets the damage is not repeated: the file is as it was, the store is built
    // again, and the same command then succeeds.
    const auto before = testing::readBytes(file);
    damagePage(store, rootPage(store, "user"));
    const std::vector<std::string> write{"set-body",  file,     "--name",
                                         "open mail", "--body", "{Ctrl+n}"};
    EXPECT_TRUE(testing::failedWith(qmk(write), 1, "run the command again if it does not"));
    EXPECT_EQ(testing::readBytes(file), before);
    EXPECT_TRUE(testing::succeeded(qmk(write)));
    EXPECT_NE(qmk({"list", file, "--json"}).out.find(R"("script":"{Ctrl+n}")"), std::string::npos);

    // A forced parse that meets the damage builds the new store at once.
    damagePage(store, rootPage(store, "positions"));
    EXPECT_EQ(qmk({"parse", "--force", file}).out, "2 /1\n");
    EXPECT_EQ(damagedStores(folder_).size(), 2u);
}

TEST_F(CliTest, FailuresExitWithTheirStatusAndMessage) {
    const auto file = home_.writeFile("mycmds.dat", sampleFile()).string();
    EXPECT_TRUE(testing::failedWith(qmk({"parse", file}), 2,
                                    "Required Quillmark file global10.mdb missing--reinstall"));

    ASSERT_EQ(qmk({"init"}).status, 0);
    EXPECT_TRUE(testing::failedWith(qmk({"parse", (folder_ / "none.dat").string()}), 2,
                                    "Required NatSpeak file missing--cannot continue"));
    EXPECT_EQ(qmk({"bogus"}).status, 2);
    EXPECT_EQ(qmk({"list"}).status, 2);

    CommandFileBuilder damaged;
    damaged.command("kept").keys("1");
    damaged.command("bro\nken").keys("2");
    const auto bad = home_.writeFile("bad.dat", damaged.build()).string();
    const auto listed = qmk({"list", bad});
    EXPECT_TRUE(testing::failedWith(listed, 3, "The above file has a problem - parsing error"));
    EXPECT_TRUE(testing::contains(listed.out, "kept"));
    const auto log = testing::readBytes(folder_ / "error.log");
    EXPECT_TRUE(testing::contains(log, "this bad command (or list) bro\nken"));
    EXPECT_TRUE(testing::contains(log, "\r\nNOW TRACE\r\n"));
    EXPECT_TRUE(testing::contains(log, "binary before keynames"));

    // Files that are no command file are said at once, with status 3, and nothing is written.
    std::ofstream(folder_ / "zeros.dat", std::ios::binary) << std::string(4096, '\0');
    fs::create_directory(folder_ / "folder.dat");
    std::vector<const char*> names{"zeros.dat", "folder.dat"};
#ifndef _WIN32
    ASSERT_EQ(::mkfifo((folder_ / "pipe.dat").c_str(), 0600), 0);
    names.push_back("pipe.dat");
#endif
    for (const auto* name : names) {
        const auto path = (folder_ / name).string();
        for (const auto* command : {"info", "list"})
            EXPECT_TRUE(
                testing::failedWith(qmk({command, path}), 3, "This is not a command file: "))
                << command << ' ' << name;
        const auto write = qmk({"set-body", path, "--name", "x", "--body", "y"});
        EXPECT_EQ(write.status, 3) << name;
    }
    EXPECT_EQ(testing::readBytes(folder_ / "zeros.dat"), std::string(4096, '\0'));
}

// The installed manual page names every command qmk10 has.
TEST_F(CliTest, TheManualPageNamesEveryCommand) {
    const auto help = qmk({"--help"});
    const auto page = testing::readBytes(fs::path(QMK_DATA_DIR) / "man" / "qmk10.1");
    std::istringstream lines(help.out.substr(help.out.find("Subcommands:")));
    std::string line;
    std::getline(lines, line);
    int commands = 0;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string command;
        if (!(words >> command))
            continue;
        ++commands;
        std::string escaped;
        for (const char c : command)
            escaped += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_TRUE(testing::contains(page, escaped)) << command;
    }
    EXPECT_GT(commands, 20);
}

TEST_F(CliTest, DiffConflictsAndRestoreFromTheCommandLine) {
    ASSERT_EQ(qmk({"init"}).status, 0);
    CommandFileBuilder old(5); // an 8/9 file against a 10.x one
    old.command("save file").keys("{Ctrl+s}");
    old.command("gone").keys("g");
    old.command("go <where>").listReferences({"where"}).application("winword").keys("w");
    old.list("where", {"home", "end"});
    CommandFileBuilder now(7);
    now.command("save file").keys("{Ctrl+Shift+s}");
    now.command("go <where>").listReferences({"where"}).application("winword").keys("w");
    now.command("go home").window("winword", "Doc").keys("{Home}");
    now.list("where", {"home", "end"});
    const auto archive = home_.writeFile("mycmds.01012026", old.build()).string();
    const auto file = home_.writeFile("mycmds.dat", now.build()).string();

    EXPECT_TRUE(testing::contains(qmk({"diff", archive, file}).out,
                                  "~ command  Global Commands | Global Commands | save file: body\n"
                                  "+ command  WINWORD | Doc | go home\n"
                                  "- command  Global Commands | Global Commands | gone\n"
                                  "1 added, 1 removed, 1 changed\n"));
    const auto differences =
        nlohmann::json::parse(qmk({"diff", archive, file, "--json"}).out)["differences"];
    ASSERT_EQ(differences.size(), 3u);
    EXPECT_EQ(differences[0]["change"], "changed");
    EXPECT_EQ(differences[0]["fields"], nlohmann::json::array({"body"}));
    EXPECT_EQ(differences[0]["after"]["name"], "save file");
    EXPECT_TRUE(differences[1]["before"].is_null());
    EXPECT_EQ(qmk({"diff", archive, file + ".missing"}).status, 1);

    EXPECT_TRUE(testing::contains(qmk({"conflicts", file}).out,
                                  "list  WINWORD | Application-specific | go <where>  <->  "
                                  "WINWORD | Doc | go home  \"go home\"\n1 conflict\n"));

    // The restore goes through the export, which appends only to a file of its own version.
    const auto before = testing::readBytes(file);
    EXPECT_TRUE(testing::failedWith(qmk({"restore", archive, file, "--pick", "gone", "--yes"}), 1,
                                    "Can't Append to different version"));
    EXPECT_EQ(testing::readBytes(file), before);
    CommandFileBuilder same(7);
    same.command("gone").keys("g");
    const auto archive10 = home_.writeFile("mycmds.01022026", same.build()).string();
    EXPECT_TRUE(testing::succeeded(qmk({"restore", archive10, file, "--pick", "gone", "--yes"})));
    EXPECT_TRUE(
        testing::contains(qmk({"diff", archive, file}).out, "1 added, 0 removed, 1 changed"));
    EXPECT_EQ(qmk({"restore", archive10, file, "--pick", "nowhere"}).status, 1);
}

} // namespace qmk
