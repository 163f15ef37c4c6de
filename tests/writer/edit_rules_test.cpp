#include "actions/edit_rules.h"
#include "text_checks.h"
#include "writer/check_string.h"
#include "writer/list_names.h"
#include "writer_fixture.h"

namespace qmk::testing {

using fixture::CommandFileBuilder;

TEST(ListNames, TheTextsBetweenAngleBracketsInOrder) {
    EXPECT_TRUE(listNamesIn("no lists").empty());
    EXPECT_EQ(listNamesIn("open <apps> in <places>"), (std::vector<std::string>{"apps", "places"}));
    EXPECT_EQ(listNamesIn("odd <a <b> c>"), (std::vector<std::string>{"a <b"}));
    EXPECT_EQ(listNamesIn("cut <open"), std::vector<std::string>{});
    std::string many;
    for (int i = 0; i < 25; ++i)
        many += "<l" + std::to_string(i) + ">";
    EXPECT_EQ(listNamesIn(many).size(), 20u);
}

// The question about a LIST in use counts every command and names the first five.
TEST(ListInUse, TheQuestionNamesFiveOfTheCommandsUsingTheList) {
    const std::vector<std::string> users{"u1", "u2", "u3", "u4", "u5", "u6"};
    const auto text = listInUseQuestion(users, "rename");
    EXPECT_TRUE(contains(text, "There are 6 commands using this LIST including:"));
    EXPECT_TRUE(contains(text, "\r\nu5\r\n"));
    EXPECT_FALSE(contains(text, "u6"));
    EXPECT_TRUE(contains(text, "want to rename this LIST?"));
}

TEST(LineEnds, EveryTypeButPlainAndKeysEndsWithOneLineBreak) {
    EXPECT_EQ(normaliseLineEnds("Sub Main", ItemType::AdvancedScript), "Sub Main\r\n");
    EXPECT_EQ(normaliseLineEnds("a\r\nb\r\n\r\n\r\n", ItemType::Script), "a\r\nb\r\n");
    EXPECT_EQ(normaliseLineEnds("a\r\nb", ItemType::List), "a\r\nb\r\n");
    EXPECT_EQ(normaliseLineEnds("keys\r\n\r\n", ItemType::Keys), "keys\r\n\r\n");
    EXPECT_EQ(normaliseLineEnds("text", ItemType::PlainText), "text");
}

} // namespace qmk::testing

namespace qmk::testing {

TEST(checkString, ACorruptNameStopsWithItsMessageAndDump) {
    TestHome home;
    const std::string image = std::string(30, 'x') +
                              "\x04"
                              "ab\tc" +
                              std::string(10, 'y');
    EXPECT_FALSE(checkString(image, "fine", 20, "last", home.home(), FileOps::system()));
    const auto stop =
        checkString(image, "ab\tc", 36, "previous one", home.home(), FileOps::system());
    ASSERT_TRUE(stop);
    EXPECT_EQ(stop->message,
              "Parsing error-name = ab\tc\r\nOffset = 32\r\nLast command = previous one");
    EXPECT_EQ(stop->title, "Send error.log to Tarnwell");
    EXPECT_EQ(home.readFile("error.log"), "ab\tc" + std::string(10, 'y'));
}

} // namespace qmk::testing
