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

TEST(LineEnds, EveryTypeButPlainAndKeysEndsWithOneLineBreak) {
    EXPECT_EQ(normaliseLineEnds("Sub Main", "A"), "Sub Main\r\n");
    EXPECT_EQ(normaliseLineEnds("a\r\nb\r\n\r\n\r\n", "S"), "a\r\nb\r\n");
    EXPECT_EQ(normaliseLineEnds("a\r\nb", "L"), "a\r\nb\r\n");
    EXPECT_EQ(normaliseLineEnds("keys\r\n\r\n", "K"), "keys\r\n\r\n");
    EXPECT_EQ(normaliseLineEnds("text", "P"), "text");
}

TEST_F(WriterTest, NameChecksOfTheNewCommandAndListPrompts) {
    CommandFileBuilder file;
    file.command("open mail").keys("x");
    file.command("in word").application("winword").keys("y");
    file.command("uses <apps>").keys("z");
    file.list("apps", {"word"});
    load(file);
    auto& db = home_.store();
    const std::string global = "Global Commands";

    EXPECT_EQ(checkNewCommandName(db, global, global, "open mail")->message,
              "Command already exists");
    const auto missing = checkNewCommandName(db, "WINWORD", "Application-specific", "go <nowhere>");
    EXPECT_EQ(missing->message, "Sorry, must create any new LISTs first");
    EXPECT_EQ(missing->title, "nowhere");
    EXPECT_FALSE(checkNewCommandName(db, "WINWORD", "Application-specific", "open <apps>"));

    EXPECT_EQ(checkNewListName(db, "Capital")->message,
              "Only numbers, letters and _-. are allowed by Dragon in LIST names");
    EXPECT_FALSE(checkNewListName(db, "my_list-2.0"));
    EXPECT_EQ(checkNewListName(db, "apps")->message, "Command or LIST already exists");

    const auto self = checkRename(db, row("open mail"), "open mail");
    EXPECT_EQ(self->message, "open mail already exists");
    EXPECT_EQ(self->title, "Must delete first");

    const auto users = commandsUsingList(db, "apps");
    EXPECT_EQ(users, std::vector<std::string>{"uses <apps>"});
    EXPECT_EQ(listInUseQuestion(users, "Rename"),
              "There are 1 commands using this LIST including:\r\n\r\nuses <apps>\r\n\r\n"
              "NaturallySpeaking and Command Browser will no longer hear/see these commands.\r\n"
              "Are you sure you want to Rename this LIST?");
    EXPECT_TRUE(commandsUsingList(db, "app").empty());
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
