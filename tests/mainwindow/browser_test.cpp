#include "command_file_builder.h"
#include "mainwindow/browser.h"
#include "mainwindow/typed_choice.h"
#include "test_home.h"

#include <gtest/gtest.h>

namespace qmk {

namespace {

using fixture::CommandFileBuilder;

class BrowserTest : public ::testing::Test {
protected:
    void load(const CommandFileBuilder& file, const std::string& name = "mycmds.dat") {
        ASSERT_TRUE(home_.parse(home_.writeFile(name, file.build()), true).ok());
        browser_.start();
    }
    std::vector<std::string> lines(int tab) const { return browser_.tab(tab).names(); }

    testing::TestHome home_;
    EditGate gate_;
    Browser browser_{&home_.store(), gate_};
};

CommandFileBuilder office() {
    CommandFileBuilder file;
    file.command("open mail").group("Mail").keys("{Ctrl+m}");
    file.command("sign off").group("Mail").plainText("Regards");
    file.command("open <apps> in <mode>").application("winword").group("Office").keys("x");
    file.command("bold").application("winword").group("Office").keys("{Ctrl+b}");
    file.command("sleep").window("natspeak", "Asleep").keys("s");
    file.list("apps", {"word", "excel"});
    file.list("mode", {"draft"});
    return file;
}

} // namespace

TEST_F(BrowserTest, AFileWithoutGlobalCommandsAndTheAsleepScope) {
    CommandFileBuilder file;
    file.command("b").application("zed").keys("1");
    file.command("a").application("alpha").keys("2");
    load(file);
    EXPECT_EQ(browser_.programs().entries, (std::vector<std::string>{"ALPHA", "ZED"}));
    EXPECT_EQ(browser_.currentProgram(), "ALPHA") << "reset falls back to entry 0";
    EXPECT_EQ(lines(CommandsTab), std::vector<std::string>{"a"});

    CommandFileBuilder asleep;
    asleep.command("wake up").window("Global Commands", "Asleep").keys("w");
    asleep.command("hello").keys("h");
    load(asleep);
    EXPECT_EQ(browser_.scopes().entries.front(), "Asleep");
    EXPECT_EQ(browser_.currentScope(), "Global Commands");
}

TEST_F(BrowserTest, TheViewFiltersTabsAndRecentlyCreatedShowsAtMost75Commands) {
    CommandFileBuilder file;
    for (int i = 0; i < 80; ++i)
        file.command("keys " + std::to_string(i)).keys("k");
    file.command("text one").plainText("t");
    file.list("colors", {"red"});
    load(file);
    browser_.selectTab(RecentlyCreatedTab);
    const auto& recent = browser_.tab(RecentlyCreatedTab);
    ASSERT_EQ(recent.size(), 75u);
    EXPECT_EQ(recent.rows[0].name, "text one");
    EXPECT_EQ(recent.rows[0].program, "Global Commands");
    EXPECT_EQ(recent.rows[1].name, "keys 79");
    EXPECT_EQ(browser_.item().body, "t");

    browser_.viewOnly(TypeSwitch::Keys);
    browser_.selectTab(RecentlyCreatedTab);
    EXPECT_EQ(browser_.tab(RecentlyCreatedTab).rows[0].name, "keys 79");
    const auto keysOnly = lines(CommandsTab);
    EXPECT_EQ(std::count(keysOnly.begin(), keysOnly.end(), "text one"), 0);
    browser_.viewOnly(TypeSwitch::Plain);
    browser_.selectTab(CommandsTab);
    EXPECT_EQ(lines(CommandsTab), std::vector<std::string>{"text one"});
    browser_.viewOnly(TypeSwitch::Advanced);
    EXPECT_EQ(lines(CommandsTab), std::vector<std::string>{});
    EXPECT_EQ(browser_.item().body, kPickSomethingElse);
    browser_.viewAll();
    EXPECT_EQ(lines(CommandsTab).size(), 81u);

    // A click on another tab while an edit is open changes nothing.
    gate_.begin({}, {}, {});
    browser_.selectTab(ListsTab);
    EXPECT_EQ(browser_.showingTab(), CommandsTab);
}

TEST_F(BrowserTest, TheItemViewByTypeStatesBackslashesAndEncryption) {
    CommandFileBuilder file;
    file.command("path").keys("c:\\\\temp");
    file.command("graphic").textAndGraphics("GIF89", "{\\rtf1 x}");
    file.command("locked").encrypted().advanced("secret");
    file.command("locked graphic").encrypted().textAndGraphics("GIF89", "x");
    file.command("three states")
        .window("notepad", "Untitled")
        .states({"a", "b", "c"})
        .keys("{Enter}");
    load(file);
    browser_.selectLine(CommandsTab, 0);
    auto item = browser_.item();
    EXPECT_EQ(item.type, "Text & Graphics");
    EXPECT_EQ(item.body, "<<< 5 byte graphic not shown >>> \r\n" + item.row->script);
    EXPECT_TRUE(item.bodyLocked);
    EXPECT_TRUE(item.showGraphicVisible);
    EXPECT_FALSE(item.modifyEnabled);
    browser_.selectLine(CommandsTab, 1);
    EXPECT_EQ(browser_.item().body, kEncryptedBody);
    EXPECT_FALSE(browser_.item().editEnabled);
    browser_.selectLine(CommandsTab, 2);
    EXPECT_EQ(browser_.item().type, "Text & Graphics");
    EXPECT_FALSE(browser_.item().showGraphicVisible) << "an encrypted graphic is not shown";
    browser_.selectLine(CommandsTab, 3);
    EXPECT_EQ(browser_.item().body, "c:\\\\temp") << "the user's own file keeps them doubled";
    EXPECT_TRUE(browser_.item().convertToPlainEnabled);

    load(file, "export.dat");
    browser_.selectLine(CommandsTab, 3);
    EXPECT_EQ(browser_.item().body, "c:\\temp");
    const auto notepad = std::find(browser_.programs().entries.begin(),
                                   browser_.programs().entries.end(), "NOTEPAD");
    browser_.selectProgram(static_cast<int>(notepad - browser_.programs().entries.begin()));
    EXPECT_EQ(browser_.item().activeStates, "a,b,c");
    EXPECT_EQ(browser_.printedItem(),
              "Program: NOTEPAD\nScope: Untitled\nCommandName: three states\n\n{Enter}");
    EXPECT_TRUE(browser_.item().convertToAdvancedEnabled);
    browser_.setEnglish([] { return false; });
    browser_.selectLine(CommandsTab, 0);
    EXPECT_FALSE(browser_.item().convertToAdvancedEnabled);
}

TEST_F(BrowserTest, NothingShownStillOffersNewCommandsAndAGoneItemOffersNothing) {
    load(office());
    // An empty tab lists nothing, and a command that happens to be named as the window says an
    // empty tab is listed and shown like any other.
    CommandFileBuilder named;
    named.command(kNothingToShow).plainText("shown");
    load(named, "named.dat");
    EXPECT_EQ(lines(CommandsTab), std::vector<std::string>{kNothingToShow});
    EXPECT_EQ(browser_.item().body, "shown");
    browser_.viewOnly(TypeSwitch::Keys);
    EXPECT_TRUE(browser_.tab(CommandsTab).empty());
    EXPECT_EQ(browser_.item().body, kPickSomethingElse) << "the hidden command stays hidden";
    browser_.viewAll();
    load(office());
    const auto nothing = emptyTabItem();
    EXPECT_TRUE(nothing.commandMenuEnabled) << "the first command of an empty file is made here";
    EXPECT_FALSE(nothing.modifyEnabled || nothing.editEnabled || nothing.cloneEnabled);
    const auto gone = showItem(home_.store(), "Global Commands", "Global Commands", "gone", true);
    EXPECT_TRUE(gone.notAvailable);
    EXPECT_FALSE(gone.commandMenuEnabled);
    EXPECT_EQ(gone.body, kNoLongerAvailable);
}

TEST_F(BrowserTest, EachViewSwitchShowsItsOwnTypeAndDropsEveryOther) {
    const auto file = fixture::oneOfEveryType();
    load(file);
    const std::pair<TypeSwitch, const char*> commands[] = {
        {TypeSwitch::Keys, "keys one"},         {TypeSwitch::Scripts, "script one"},
        {TypeSwitch::Text, "graphic one"},      {TypeSwitch::Plain, "plain one"},
        {TypeSwitch::Recorder, "recorded one"}, {TypeSwitch::Steps, "steps one"},
        {TypeSwitch::Advanced, "advanced one"},
    };
    for (const auto& [type, name] : commands) {
        browser_.viewOnly(type);
        browser_.selectTab(CommandsTab);
        EXPECT_EQ(lines(CommandsTab), std::vector<std::string>{name});
        browser_.selectTab(ListsTab);
        EXPECT_EQ(lines(ListsTab), std::vector<std::string>{}) << name;
    }
    browser_.viewOnly(TypeSwitch::Lists);
    browser_.selectTab(CommandsTab);
    EXPECT_EQ(lines(CommandsTab), std::vector<std::string>{});
    browser_.selectTab(ListsTab);
    EXPECT_EQ(lines(ListsTab), std::vector<std::string>{"colors"});
    browser_.viewAll();
    browser_.selectTab(CommandsTab);
    EXPECT_EQ(lines(CommandsTab).size(), 7u);
}

TEST_F(BrowserTest, AGroupShowsOnlyItsOwnCommandsOfAScope) {
    CommandFileBuilder file;
    file.command("alpha one").group("Alpha").keys("1");
    file.command("beta one").group("Beta").keys("2");
    file.command("alpha two").group("Alpha").keys("3");
    load(file);
    EXPECT_EQ(lines(CommandsTab), (std::vector<std::string>{"alpha one", "alpha two", "beta one"}));
    browser_.selectGroup(0);
    EXPECT_EQ(lines(CommandsTab), (std::vector<std::string>{"alpha one", "alpha two"}));
    browser_.selectGroup(1);
    EXPECT_EQ(lines(CommandsTab), std::vector<std::string>{"beta one"});
}

TEST(TypedChoice, TheWholeNameThenItsStartThenAnyPartCaseAside) {
    const std::vector<std::string> entries{"-", "Global Commands", "WINWORD", "word pad", "Excel"};
    const std::pair<const char*, int> cases[] = {
        {"word pad", 3},        {"WORD", 3}, {"winword", 2}, {"inw", 2}, {"pad", 3},     {"ex", 4},
        {"global commands", 1}, {"-", -1},   {"", -1},       {"zz", -1}, {"excell", -1},
    };
    for (const auto& [typed, found] : cases)
        EXPECT_EQ(bestMatch(entries, typed), found) << typed;
}

TEST_F(BrowserTest, ATypedNameChoosesItsBestMatchAndAProgramOfAnotherGroupComesWithAllGroups) {
    load(office());
    const auto groups = browser_.groups().entries;
    browser_.selectGroup(
        static_cast<int>(std::find(groups.begin(), groups.end(), "Mail") - groups.begin()));
    ASSERT_EQ(browser_.currentProgram(), kGlobalCommands);
    EXPECT_EQ(browser_.chooseTyped(SelectorKind::Program, "wordx"),
              "No Program name holds \"wordx\"");
    EXPECT_EQ(browser_.groups().value(), "Mail") << "nothing chosen, nothing changed";
    EXPECT_EQ(browser_.chooseTyped(SelectorKind::Program, "WORD"),
              "\"WINWORD\" is not in Group \"Mail\": All groups shown");
    EXPECT_EQ(browser_.currentProgram(), "WINWORD");
    EXPECT_EQ(browser_.groups().value(), kAllGroups);
    EXPECT_EQ(browser_.chooseTyped(SelectorKind::Group, "off"), "");
    EXPECT_EQ(browser_.groups().value(), "Office");
    EXPECT_EQ(browser_.chooseTyped(SelectorKind::Scope, "sleep"), "No Scope name holds \"sleep\"");
}

} // namespace qmk
