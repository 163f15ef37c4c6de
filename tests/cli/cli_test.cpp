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

} // namespace

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
