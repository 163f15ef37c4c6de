#include "actions/edit_rules.h"
#include "loader/parser.h"
#include "main_presenter_fixture.h"
#include "text_checks.h"

namespace qmk {

namespace {

// The window's editor on the user's own file; every save goes through the merge tool.
class EditorTest : public MainPresenterTest {
protected:
    EditorTest() : main_(presenter()) { EXPECT_TRUE(main_->start("global commands")); }
    Editor& editor() { return main_->editor(); }
    Browser& browser() { return main_->browser(); }
    std::vector<std::string> names() {
        std::vector<std::string> all;
        for (const auto& row : home_.rows())
            all.push_back(row.name + (row.type == ItemType::List ? " (L)" : ""));
        return all;
    }
    std::string lastMessage() const { return home_.prompt.shown.back().text; }

    std::unique_ptr<MainPresenter> main_;
};

} // namespace

TEST_F(EditorTest, NewCommandsAndListsWithTheirPromptsAndChecks) {
    // A LIST name with a capital letter is refused, the lower-case one is made.
    home_.prompt.inputs = {"Apps"};
    editor().newList();
    EXPECT_EQ(lastMessage(), "Only numbers, letters and _-. are allowed by Dragon in LIST names");
    EXPECT_FALSE(editor().editing());
    home_.prompt.inputs = {"apps-1.x_y"};
    editor().newList();
    ASSERT_TRUE(editor().editing());
    EXPECT_EQ(browser().showingTab(), ListsTab);
    ASSERT_TRUE(editor().save({"word\r\nexcel", "", ""}));
    EXPECT_EQ(main_->statusText(), kNextCreateCommand);
    EXPECT_NE(std::find(names().begin(), names().end(), "apps-1.x_y (L)"), names().end());

    // The next command name defaults to the new LIST; a LIST that exists nowhere is refused.
    home_.prompt.inputs = {std::nullopt};
    editor().newCommand(ItemType::Keys);
    EXPECT_EQ(home_.prompt.shown.back().title, "New Command");
    home_.prompt.inputs = {"open <nowhere>"};
    editor().newCommand(ItemType::Keys);
    EXPECT_EQ(lastMessage(), "Sorry, must create any new LISTs first");

    // A new Advanced Scripting command starts from its template, caret on the empty line.
    home_.prompt.inputs = {"launch <apps-1.x_y>"};
    editor().newCommand(ItemType::AdvancedScript);
    ASSERT_TRUE(editor().editing());
    EXPECT_EQ(editor().texts().body, "Sub Main\r\n\r\nEnd Sub");
    EXPECT_EQ(editor().takeCaret(), 10u);
    EXPECT_EQ(browser().item().type, "Advanced Script");
    ASSERT_TRUE(editor().save({"Sub Main\r\n  SendKeys \"x\"\r\nEnd Sub", "Starts apps", "Tools"}));
    const auto made =
        findRow(home_.store(), "Global Commands", "Global Commands", "launch <apps-1.x_y>");
    ASSERT_TRUE(made);
    EXPECT_EQ(made->script, "Sub Main\r\n  SendKeys \"x\"\r\nEnd Sub\r\n");
    EXPECT_EQ(made->group, "Tools");
    const auto& groups = browser().groups().entries;
    EXPECT_NE(std::find(groups.begin(), groups.end(), "Tools"), groups.end())
        << "the new Group is in the menu";
    EXPECT_EQ(main_->history().entries().front(),
              "Global Commands\tGlobal Commands\tlaunch <apps-1.x_y>");
    EXPECT_EQ(browser().history().front(), main_->history().entries().front())
        << "the Recently Modified tab shows it";
    EXPECT_TRUE(main_->saveCycle().mergeDone()) << "Dragon took the change up";
    EXPECT_TRUE(testing::contains(home_.readFile("Quillmark10.INI"), "launch <apps-1.x_y>"))
        << "the history is saved once the file was read again";

    // A legacy SCRIPT with an error on line 3 is not saved.
    home_.prompt.inputs = {"scripted"};
    editor().newCommand(ItemType::Script);
    EXPECT_FALSE(editor().save({"SendKeys \"a\"\r\nWait 10\r\nJump \"b\"", "", ""}));
    EXPECT_EQ(lastMessage(), "Error in your script at line: 3");
    EXPECT_TRUE(editor().editing());
    editor().abandon();
    EXPECT_FALSE(editor().editing());
}

TEST_F(EditorTest, ConversionsAndDebugWithBasic) {
    browser().setCurrentItemName("open mail");
    browser().reset(CommandsTab);
    ASSERT_TRUE(browser().item().convertToAdvancedEnabled);
    editor().convertToAdvanced();
    ASSERT_TRUE(editor().editing());
    EXPECT_EQ(browser().item().type, "Advanced Script");
    const auto script = editor().texts().body;
    EXPECT_TRUE(testing::contains(script, "SendKeys"));
    ASSERT_TRUE(editor().save({script, "", ""}));
    const auto row = findRow(home_.store(), "Global Commands", "Global Commands", "open mail");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->type, ItemType::AdvancedScript);

    editor().bodyEdited("Sub Main\r\n  x(1)\r\nEnd Sub\r\n");
    editor().debugWithBasic();
    editor().abandon();
    const auto window = dragon().windows.findByTitle("MyCommands Editor");
    ASSERT_TRUE(window);
    const auto typed = dragon().windows.typedInto(window->handle);
    ASSERT_GE(typed.size(), 4u);
    EXPECT_EQ(typed[0], "%y{end}");
    EXPECT_EQ(typed[1], "{tab 2}^{end}+(^{home})");
    EXPECT_EQ(typed[2], "{del}");
    std::string body;
    for (std::size_t i = 3; i + 3 < typed.size(); ++i)
        body += typed[i];
    EXPECT_EQ(body, "Sub Main\r  x{(}1{)}\r");
    EXPECT_EQ(typed.back(), "^{home}");
}

TEST_F(MainPresenterTest, AConvertedBodyShowsAsItDidAndAScopeIsChosenWithItsProgram) {
    auto main = presenter();
    ASSERT_TRUE(main->start("global commands"));
    fixture::CommandFileBuilder file(7, 9);
    file.command("path").keys("c:\\\\temp");
    const auto exported = home_.writeFile("export.dat", file.build());
    ASSERT_TRUE(main->openFile(exported));
    auto& browser = main->browser();
    browser.setCurrentItemName("path");
    browser.reset(CommandsTab);
    ASSERT_EQ(browser.item().body, "c:\\temp") << "an exported KEYS body shows single backslashes";
    // As Plain Text the same text is stored as shown: one backslash.
    main->editor().convertToPlain();
    ASSERT_TRUE(main->editor().save());
    EXPECT_EQ(findRow(home_.store(), "Global Commands", "Global Commands", "path")->script,
              "c:\\temp");

    // After a Recently tab showed an item of another Program, a Scope chosen from the Scope list
    // goes with the Program that list belongs to.
    ASSERT_TRUE(main->reload());
    browser.setCurrent("WINWORD", "Document1");
    browser.reset(CommandsTab);
    browser.setHistory({"Global Commands\tGlobal Commands\topen mail"});
    browser.selectTab(RecentlyModifiedTab);
    ASSERT_EQ(browser.currentProgram(), "Global Commands");
    browser.selectScope(0);
    EXPECT_EQ(browser.currentProgram(), "WINWORD");
    EXPECT_EQ(browser.currentScope(), "Document1");
}

TEST_F(MainPresenterTest, TheEditorWorksOnEveryGenerationAndCopiesGlobalListsItNames) {
    using layout::Generation;
    for (const auto generation :
         {Generation::V6, Generation::V7, Generation::V8, Generation::V10}) {
        SCOPED_TRACE(static_cast<int>(generation));
        fixture::CommandFileBuilder file(fixture::CommandFileBuilder::versionCode(generation), 9);
        file.command("bold").window("winword", "Document1").keys("{Ctrl+b}");
        file.command("open mail").keys("{Ctrl+m}");
        file.list("apps", {"word"});
        file.write(commandFile().string());
        auto main = presenter();
        ASSERT_TRUE(main->start("\"Document1 - Word\""));
        ASSERT_EQ(main->browser().currentProgram(), "WINWORD");

        // A command under WINWORD naming a LIST that only Global Commands holds.
        home_.prompt.inputs = {"launch <apps>"};
        main->editor().newCommand(ItemType::Keys);
        ASSERT_TRUE(main->editor().editing());
        const auto copy = findRow(home_.store(), "WINWORD", "Document1", "apps");
        ASSERT_TRUE(copy);
        EXPECT_TRUE(copy->listcopy);
        ASSERT_TRUE(main->editor().save({"{Alt+l}", "", ""}));
        ASSERT_TRUE(findRow(home_.store(), "WINWORD", "Document1", "launch <apps>"));

        home_.prompt.inputs = {"bolder"};
        main->browser().setCurrentItemName("bold");
        main->editor().rename();
        ASSERT_TRUE(findRow(home_.store(), "WINWORD", "Document1", "bolder"));
        home_.prompt.answers = {Prompt::Answer::Yes};
        main->editor().remove();
        EXPECT_FALSE(findRow(home_.store(), "WINWORD", "Document1", "bolder"));
        EXPECT_TRUE(Parser(ParseContext{home_.home(), home_.store(), home_.trace(), home_.status,
                                        home_.prompt, ""})
                        .parse(true, commandFile().string())
                        .ok());
    }
}

// Delete says so when the item shown is gone from the store, and after a delete the next
// command is shown only when it is of the same Program and Scope.
TEST_F(EditorTest, DeleteOfAGoneItemSaysSoAndTheNextItemStaysInItsPlace) {
    browser().setCurrentItemName("open mail");
    browser().reset(CommandsTab);
    auto gone = main_->store().prepare("DELETE FROM user WHERE name = ?");
    gone.bind(1, std::string("open mail"));
    gone.step();
    const auto before = testing::readBytes(commandFile());
    editor().remove();
    EXPECT_EQ(lastMessage(), "Delete file error");
    EXPECT_EQ(home_.prompt.shown.back().title, "open mail");
    EXPECT_EQ(testing::readBytes(commandFile()), before);

    // "apple" is followed in name order by another Program's "mango": the Commands tab of
    // Global Commands is refilled and shows its first line.
    fixture::CommandFileBuilder file;
    file.command("apple").keys("a");
    file.command("zebra").keys("z");
    file.command("mango").application("winword").keys("m");
    ASSERT_TRUE(main_->openFile(home_.writeFile("fruit.dat", file.build())));
    browser().setCurrentItemName("apple");
    browser().reset(CommandsTab);
    editor().remove();
    EXPECT_EQ(browser().currentProgram(), "Global Commands");
    EXPECT_EQ(browser().currentItemName(), "zebra");
}

} // namespace qmk
