#include "command_file_builder.h"
#include "run_qmk10.h"
#include "test_home.h"
#include "text_checks.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace qmk {

using fixture::CommandFileBuilder;
namespace fs = std::filesystem;

namespace {

class CliXmlTest : public ::testing::Test {
protected:
    CliXmlTest() {
        CommandFileBuilder builder;
        builder.command("open mail").description("d").group("Mail").keys("{Ctrl+m}");
        builder.command("bold").application("winword", "Word", "Microsoft").script("b\r\n");
        builder.command("uses <colors>").listReferences({"colors"}).keys("x");
        builder.list("colors", {"red\\\\Red"});
        file_ = home_.writeFile("mycmds.dat", builder.build()).string();
        EXPECT_EQ(qmk({"init"}).status, 0);
    }

    testing::Qmk10Run qmk(std::vector<std::string> args) {
        return testing::runQmk10(home_.path("qmk"), std::move(args));
    }

    // The rows of a file as name, type, Program, Scope, group and body, in file order.
    std::vector<std::string> rows(const std::string& file) {
        std::vector<std::string> shown;
        for (const auto& row : nlohmann::json::parse(qmk({"list", file, "--json"}).out))
            shown.push_back(
                row["name"].get<std::string>() + "|" + row["type"].get<std::string>() + "|" +
                row["program"].get<std::string>() + "|" + row["scope"].get<std::string>() + "|" +
                row["group_name"].get<std::string>() + "|" + row["script"].get<std::string>());
        std::sort(shown.begin(), shown.end()); // an XML export groups commands by program
        return shown;
    }

    std::string xml(const std::string& commands) {
        return home_
            .writeFile("set.xml",
                       "<?xml version=\"1.0\" encoding=\"utf-8\"?><MyCommands language=\"0x409\">"
                       "<Commands type=\"global\">" +
                           commands + "</Commands></MyCommands>")
            .string();
    }

    testing::TestHome home_;
    std::string file_;
};

std::string command(const std::string& name, const std::string& body) {
    return "<Command name=\"" + name +
           "\" group=\"G\"><description/><contents "
           "type=\"DVC_SCRIPT\"><![CDATA[" +
           body + "]]></contents></Command>";
}

} // namespace

TEST_F(CliXmlTest, AnExportSaysWhatItWroteByType) {
    const auto target = home_.path("out.xml").string();
    const auto exported = qmk({"export-xml", file_, "--all", "--to", target});
    EXPECT_EQ(exported.out, target + ": XML Export Completed (Wrote 3 commands (2 KEYS, 1 "
                                     "SCRIPT) and 1 LIST)\n");
}

TEST_F(CliXmlTest, AnImportAppendsToAnExistingFileWithTheDuplicateQuestion) {
    const auto set = xml(command("open mail", "SendKeys \"{Alt+m}\"") + command("new one", "Beep"));
    EXPECT_TRUE(testing::contains(
        qmk({"import-xml", set, "--to", file_, "--on-duplicate", "no"}).out,
        "Imported 1 command (1 SCRIPT), 0 replaced, 0 LISTs added; 1 the file held already, "
        "kept as they were"));
    auto shown = rows(file_);
    EXPECT_EQ(shown.size(), 5u); // three commands, the new one, the LIST
    EXPECT_NE(std::find(shown.begin(), shown.end(),
                        "open mail|K|Global Commands|Global Commands|Mail|{Ctrl+m}"),
              shown.end());
    EXPECT_TRUE(testing::contains(
        qmk({"import-xml", set, "--to", file_, "--on-duplicate", "yes-all"}).out, "2 replaced"));
    shown = rows(file_);
    EXPECT_NE(std::find(shown.begin(), shown.end(),
                        "open mail|K|Global Commands|Global Commands|G|{Alt+m}"),
              shown.end());
    EXPECT_EQ(shown.size(), 5u);
}

TEST_F(CliXmlTest, UnfitItemsStopTheImportUnlessSkippedAndMalformedFilesAreRefused) {
    const auto set = xml(command("snow \xe2\x98\x83", "Beep") + command("fine", "Beep"));
    const auto before = testing::readBytes(file_);
    const auto target = home_.path("new.dat").string();
    for (const auto& to : {file_, target})
        EXPECT_TRUE(testing::failedWith(qmk({"import-xml", set, "--to", to}), 4,
                                        "1 item of the XML cannot go into a command file; nothing "
                                        "was imported:\ncommand \"snow \xe2\x98\x83\" (line 1): "
                                        "The name: The character"));
    EXPECT_EQ(testing::readBytes(file_), before);
    EXPECT_FALSE(fs::exists(target));

    EXPECT_TRUE(testing::contains(qmk({"import-xml", set, "--to", target, "--skip-unfit"}).out,
                                  "Imported 1 command (1 SCRIPT), 0 replaced, 0 LISTs added; left "
                                  "out 1:\r\ncommand \"snow"));
    EXPECT_EQ(rows(target),
              std::vector<std::string>{"fine|S|Global Commands|Global Commands|G|Beep"});

    const auto broken = home_.writeFile("broken.xml", "<MyCommands>\n<Commands>\n</MyCommands>");
    EXPECT_TRUE(testing::failedWith(qmk({"import-xml", broken.string(), "--to", file_}), 1,
                                    "The XML file is malformed at line 3, column 3"));
    EXPECT_EQ(testing::readBytes(file_), before);
    const auto german =
        home_.writeFile("german.xml", "<MyCommands language=\"0x407\"><Commands type=\"global\">" +
                                          command("x", "Beep") + "</Commands></MyCommands>");
    EXPECT_TRUE(testing::failedWith(qmk({"import-xml", german.string(), "--to", file_}), 1,
                                    "The XML's commands are German and mycmds.dat is English"));
    const auto oldFile = home_.path("old.dat").string();
    EXPECT_TRUE(testing::failedWith(
        qmk({"import-xml", german.string(), "--to", oldFile, "--format", "6.1"}), 1,
        "There is no German version 6.1"));
    EXPECT_FALSE(fs::exists(oldFile));
    EXPECT_EQ(testing::readBytes(file_), before);
}

TEST_F(CliXmlTest, EveryCommandOfTheXmlIsWrittenOrNamedAndTheCountsAddUp) {
    const auto disabled = R"(<Command name="quiet" group="G" enabled="false"><contents )"
                          R"(type="DVC_SCRIPT">Beep</contents></Command>)";
    const auto lists = [](const char* items) {
        return std::string("<Lists><List name=\"colors\">") + items +
               "</List><List name=\"colors\"><Value>blue</Value></List></Lists>";
    };
    const auto set = home_.writeFile(
        "counted.xml",
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><MyCommands language=\"0x409\"><Commands "
        "type=\"global\">" +
            command("same", "Beep") + command("sAME", "Wait 1") + std::string(disabled) +
            "</Commands>" + lists("<Value>red\\Red</Value>") + "</MyCommands>");
    // Into an existing file: the disabled command cannot go that way, and the second LIST of a
    // name, with other items, is named; nothing is written without --skip-unfit.
    const auto before = testing::readBytes(file_);
    const auto refused = qmk({"import-xml", set.string(), "--to", file_, "--on-duplicate", "no"});
    EXPECT_TRUE(
        testing::failedWith(refused, 4, "2 items of the XML cannot go into a command file"));
    EXPECT_TRUE(testing::contains(refused.err, "command \"quiet\" (line 1): it is not enabled"));
    EXPECT_TRUE(testing::contains(refused.err, "LIST \"colors\": the target holds a LIST of this"));
    EXPECT_EQ(testing::readBytes(file_), before);
    // "same" and "sAME" sound alike: the duplicate question keeps one; the disabled command
    // goes into a new file, not loaded.
    const auto target = home_.path("counted.dat").string();
    EXPECT_TRUE(testing::contains(
        qmk({"import-xml", set.string(), "--to", target, "--on-duplicate", "yes", "--skip-unfit"})
            .out,
        "Imported 2 commands (2 SCRIPT), 0 replaced, 1 LIST added; 1 the XML held a second time "
        "under one name, one of each kept; left out 1:"));
    EXPECT_EQ(rows(target), std::vector<std::string>({"colors|L|Global Commands|Global "
                                                      "Commands|Dragon|red\\\\Red\r\n",
                                                      "sAME|S|Global Commands|Global Commands|G|"
                                                      "Wait 1"}))
        << "the store lists what Dragon loads";
    EXPECT_EQ(testing::readBytes(target)[17], 2) << "the disabled command is in the file too";
}

} // namespace qmk
