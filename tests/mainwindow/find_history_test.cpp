#include "command_file_builder.h"
#include "mainwindow/browser.h"
#include "mainwindow/finder.h"
#include "mainwindow/history.h"
#include "test_home.h"

#include <gtest/gtest.h>

namespace qmk {

namespace {

using fixture::CommandFileBuilder;

class FindTest : public ::testing::Test {
protected:
    FindTest() {
        CommandFileBuilder file;
        file.command("Open MAIL").keys("{Ctrl+m}");
        file.command("open <apps>").keys("launch apps");
        file.command("text block").plainText("Dear Sir,\r\nmail follows");
        file.command("bold").application("winword").keys("{Ctrl+b} mail");
        file.list("apps", {"word", "mail merge"});
        EXPECT_TRUE(home_.parse(home_.writeFile("mycmds.dat", file.build()), true).ok());
        browser_.start();
    }
    testing::TestHome home_;
    EditGate gate_;
    Browser browser_{&home_.store(), gate_};
    Finder finder_{home_.store(), browser_, home_.prompt};
};

} // namespace

TEST_F(FindTest, FindsByNameBodyAndScopeWithCaseAndView) {
    EXPECT_TRUE(finder_.findFirst({"open mail", FindSettings::Field::Name, false}));
    finder_.showMatch();
    EXPECT_EQ(browser_.currentItemName(), "Open MAIL");
    EXPECT_FALSE(finder_.findFirst({"open mail", FindSettings::Field::Name, true}));
    EXPECT_EQ(home_.prompt.shown.back().text, "\"open mail\" not found in your macro files");
    EXPECT_EQ(home_.prompt.shown.back().title, "Not Found");

    // Bodies in name order: Global Commands first (the LIST apps sorts before "open <apps>"),
    // then WINWORD; the match is selected in the body.
    ASSERT_TRUE(finder_.findFirst({"mail", FindSettings::Field::Content, false}));
    finder_.showMatch();
    EXPECT_EQ(browser_.currentItemName(), "apps") << "the LIST body";
    EXPECT_EQ(browser_.showingTab(), ListsTab);
    ASSERT_TRUE(browser_.item().highlight);
    EXPECT_EQ(*browser_.item().highlight, (std::pair<std::size_t, std::size_t>{6, 4}));
    ASSERT_TRUE(finder_.findAgain());
    finder_.showMatch();
    EXPECT_EQ(browser_.currentItemName(), "text block");
    EXPECT_EQ(browser_.showingTab(), CommandsTab);
    EXPECT_EQ(*browser_.item().highlight, (std::pair<std::size_t, std::size_t>{11, 4}));
    ASSERT_TRUE(finder_.findAgain());
    finder_.showMatch();
    EXPECT_EQ(browser_.currentProgram(), "WINWORD");
    EXPECT_FALSE(finder_.findAgain());
    EXPECT_EQ(home_.prompt.shown.back().text, "\"mail\" no more matches");
    EXPECT_FALSE(finder_.findAgainEnabled());
    EXPECT_EQ(browser_.currentItemName(), "bold") << "the window stays on the last match";
    ASSERT_TRUE(finder_.findPrevious());
    EXPECT_EQ(browser_.currentItemName(), "text block");

    browser_.viewOnly(TypeSwitch::Plain);
    EXPECT_FALSE(finder_.findFirst({"launch", FindSettings::Field::Content, false}));
    EXPECT_EQ(home_.prompt.shown.back().text, "\"launch\" not found in current View");
    EXPECT_TRUE(finder_.findFirst({"applic", FindSettings::Field::Scope, false}) == false);
}

TEST_F(FindTest, FollowViewsShowOneCommandWithItsListsOrOneListWithItsCallers) {
    browser_.setCurrentItemName("Open MAIL");
    browser_.followCommand(home_.prompt);
    EXPECT_EQ(home_.prompt.shown.back().text, "This COMMAND has no LISTs");
    EXPECT_TRUE(browser_.view().all);

    browser_.setCurrentItemName("open <apps>");
    browser_.followCommand(home_.prompt);
    EXPECT_EQ(browser_.tab(CommandsTab).names(), std::vector<std::string>{"open <apps>"});
    browser_.selectTab(ListsTab);
    EXPECT_EQ(browser_.tab(ListsTab).names(), std::vector<std::string>{"apps"});
    browser_.followList(home_.prompt);
    EXPECT_TRUE(browser_.view().followList);
    browser_.selectTab(CommandsTab);
    EXPECT_EQ(browser_.tab(CommandsTab).names(), std::vector<std::string>{"open <apps>"});
    browser_.followList(home_.prompt);
    EXPECT_EQ(browser_.tab(CommandsTab).names(), std::vector<std::string>{})
        << "the type switches stay off";
    browser_.viewAll();
    EXPECT_EQ(browser_.tab(CommandsTab).size(), 3u);
}

TEST_F(FindTest, TheHistoryKeepsThirteenNewestOncePerItemAndPrunesOnWriteOut) {
    Settings settings(home_.path("Quillmark10.INI"));
    const auto file = home_.path("mycmds.dat");
    RecentHistory history(settings, home_.trace(), file, {});
    history.update("Global Commands", "Global Commands", "Open MAIL", false, true);
    history.update("Global Commands", "Global Commands", "text block", false, true);
    history.update("Global Commands", "Global Commands", "Open MAIL", false, true);
    EXPECT_EQ(history.entries(),
              (std::vector<std::string>{"Global Commands\tGlobal Commands\tOpen MAIL",
                                        "Global Commands\tGlobal Commands\ttext block"}));
    history.update("WINWORD", "Application-specific", "apps", true, false);
    EXPECT_EQ(history.entries().front(), "Global Commands\tGlobal Commands\tapps");
    for (int i = 0; i < 14; ++i)
        history.update("P", "S", "gone " + std::to_string(i), false, false);
    EXPECT_EQ(history.entries().size(), 13u);
    EXPECT_EQ(history.entries().front(), "P\tS\tgone 13");

    RecentHistory small(settings, home_.trace(), file,
                        {"Global Commands\tGlobal Commands\tOpen MAIL", "P\tS\tgone", "bad entry",
                         "WINWORD\tApplication-specific\tbold"});
    small.writeOut(home_.store());
    EXPECT_EQ(small.entries(),
              (std::vector<std::string>{"Global Commands\tGlobal Commands\tOpen MAIL",
                                        "WINWORD\tApplication-specific\tbold"}));
    EXPECT_EQ(settings.load(file).recent, small.entries());
    browser_.setHistory(small.entries());
    browser_.selectTab(RecentlyModifiedTab);
    EXPECT_EQ(browser_.tab(RecentlyModifiedTab).rows[1].name, "bold");
    EXPECT_EQ(browser_.tab(RecentlyModifiedTab).rows[1].program, "WINWORD");
    EXPECT_EQ(browser_.currentProgram(), "Global Commands");
}

TEST(FindDuplicates, EachOfSeveralCommandsOfOneNameIsFoundOnceForwardAndBack) {
    testing::TestHome home;
    fixture::CommandFileBuilder file;
    file.command("sum column").keys("=SUM(A:A)");
    file.command("sum column").keys("=SUM(B:B)");
    file.command("sum column").keys("=SUM(C:C)");
    file.command("total").keys("=SUM(D:D)");
    ASSERT_TRUE(home.parse(home.writeFile("mycmds.dat", file.build())).ok());
    EditGate gate;
    Browser browser(&home.store(), gate);
    browser.start();
    Finder finder(home.store(), browser, home.prompt);
    ASSERT_TRUE(finder.findFirst({"SUM(", FindSettings::Field::Content, false}));
    std::vector<std::string> found{browser.currentItemName()};
    while (finder.findAgain() && found.size() < 10)
        found.push_back(browser.currentItemName());
    EXPECT_EQ(found, (std::vector<std::string>{"sum column", "sum column", "sum column", "total"}));
    EXPECT_EQ(home.prompt.shown.back().text, "\"SUM(\" no more matches");
    std::size_t back = 0;
    while (finder.findPrevious() && back < 10)
        ++back;
    EXPECT_EQ(back, 3u);
}

} // namespace qmk
