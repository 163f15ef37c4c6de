#include "command_file_builder.h"
#include "test_home.h"

#include <gtest/gtest.h>

namespace qmk {

using fixture::CommandFileBuilder;

namespace {
const std::string kHeader =
    "The following Command or LIST names are duplicate names\r\n\r\n"
    "Already in:  Filename     MENU         STATE                            Type   Macroname\r\n"
    "\r\n";
} // namespace

TEST(Duplicates, NoDuplicatesLeaveAnEmptyLog) {
    testing::TestHome home;
    CommandFileBuilder file;
    file.command("a").keys("1");
    file.command("a").application("prog").keys("1"); // another Program: no duplicate
    ASSERT_TRUE(home.parse(home.writeFile("mycmds.dat", file.build())).ok());
    EXPECT_EQ(home.readFile("duplicate.log"), "");
    EXPECT_FALSE(home.rows()[1].dupe);
}

TEST(Duplicates, BothRowsAreStoredTheLaterMarkedAndEachPairLogged) {
    testing::TestHome home;
    CommandFileBuilder file;
    file.command("open mail").keys("1");
    file.command("open mail").script("2");
    // The Program is compared as stored (upper case); the log shows it as read.
    file.command("close").window("winword", "Document1").keys("3");
    file.command("close").window("WinWord", "Document1").advanced("4");
    ASSERT_TRUE(home.parse(home.writeFile("mycmds.dat", file.build())).ok());
    const auto rows = home.rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_FALSE(rows[0].dupe);
    EXPECT_TRUE(rows[1].dupe);
    EXPECT_FALSE(rows[2].dupe);
    EXPECT_TRUE(rows[3].dupe);
    EXPECT_EQ(home.readFile("duplicate.log"),
              kHeader +
                  "mycmds.dat   open mail    Global Commands Global Commands                  K "
                  "open mail\r\n"
                  "mycmds.dat   close        WinWord         Document1                        K "
                  "close\r\n");

    // A second parse in the same run starts the log anew, header included.
    ASSERT_TRUE(home.parse(home.writeFile("mycmds.dat", file.build()), true).ok());
    EXPECT_EQ(home.readFile("duplicate.log").substr(0, kHeader.size()), kHeader);
    EXPECT_EQ(home.readFile("duplicate.log").find(kHeader, 1), std::string::npos);
}

TEST(Duplicates, ColumnsAreFittedToTheirWidths) {
    testing::TestHome home;
    const std::string longName(60, 'n');
    const std::string program20 = "ABCDEFGHIJKLMNOPQRST";
    const std::string scope40(40, 's');
    CommandFileBuilder file;
    file.command(longName).window(program20, scope40).keys("1");
    file.command(longName).window(program20, scope40).keys("2");
    ASSERT_TRUE(home.parse(home.writeFile("a-rather-long-file.dat", file.build())).ok());
    const auto log = home.readFile("duplicate.log");
    const std::string line = "a-rather-lon"
                             "g" +
                             std::string(13, 'n') + program20.substr(0, 16) + std::string(33, 's') +
                             "K " + std::string(50, 'n') + "\r\n";
    EXPECT_EQ(log.substr(kHeader.size()), line);
}

} // namespace qmk
