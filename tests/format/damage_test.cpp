#include "command_file_builder.h"
#include "store/parameters.h"
#include "test_home.h"
#include "text_checks.h"

#include <gtest/gtest.h>

namespace qmk {

using fixture::CommandFileBuilder;

namespace {
const std::string kStars40(40, '*');
const std::string kStars33(33, '*');
} // namespace

TEST(DamagedFile, ADamagedFirstRecordDumpsFromPosition22) {
    testing::TestHome home;
    CommandFileBuilder file;
    file.command("\x01").keys("1");
    const auto image = file.build();
    ASSERT_EQ(home.parse(home.writeFile("mycmds.dat", image)).status, ParseStatus::Damaged);
    const auto log = home.readFile("error.log");
    EXPECT_EQ(log.substr(0, image.size() - 21), image.substr(21));
    EXPECT_TRUE(testing::contains(log, kStars33 + "previous command (or list) offset 23which"));
}

TEST(DamagedFile, ADamagedListNameKeepsTheCommandsAndEarlierLists) {
    testing::TestHome home;
    CommandFileBuilder file;
    file.command("cmd").keys("1");
    file.list("good", {"a", "b"});
    file.list("ba\x1f"
              "d",
              {"c"});
    ASSERT_EQ(home.parse(home.writeFile("mycmds.dat", file.build())).status, ParseStatus::Damaged);
    EXPECT_EQ(home.rows().size(), 2u);
    const auto log = home.readFile("error.log");
    EXPECT_EQ(log.substr(0, 5), "\x04good");
    EXPECT_TRUE(testing::contains(log, "previous command (or list) goodLa\r\nb\r\noffset "));
    EXPECT_TRUE(testing::contains(log, "which/commands,which/lists 2/1 2/2"));
}

TEST(DamagedFile, CountsAndLengthsRunningPastTheEndAreDamageNotCrashes) {
    testing::TestHome home;
    CommandFileBuilder longCount;
    longCount.command("a").keys("1");
    longCount.storedCommandCount(3); // claims more records than there are
    EXPECT_EQ(home.parse(home.writeFile("count.dat", longCount.build())).status,
              ParseStatus::Damaged);
    EXPECT_EQ(home.rows().size(), 1u);

    CommandFileBuilder cut;
    cut.command("whole").keys("1");
    cut.command("cut short").keys(std::string(400, 'x'));
    auto image = cut.build();
    image.resize(image.size() - 200);
    EXPECT_EQ(home.parse(home.writeFile("cut.dat", image)).status, ParseStatus::Damaged);
    EXPECT_TRUE(
        testing::contains(home.readFile("error.log"), "this bad command (or list) cut short"));

    CommandFileBuilder noLists;
    noLists.command("a").keys("1").group("g");
    noLists.omitListsSection();
    EXPECT_EQ(home.parse(home.writeFile("nolists.dat", noLists.build())).status,
              ParseStatus::Damaged);

    EXPECT_EQ(home.parse(home.writeFile("tiny.dat", "LHSP")).status, ParseStatus::Damaged);
    EXPECT_EQ(home.parse(home.writeFile("empty.dat", "")).status, ParseStatus::Damaged);
}

} // namespace qmk
