#include "actions/edit_rules.h"
#include "command_file_builder.h"
#include "failing_files.h"
#include "mainwindow/browser.h"
#include "store/statements.h"
#include "test_home.h"
#include "text_checks.h"
#include "tools/search_replace.h"

#include <gtest/gtest.h>

namespace qmk {

namespace {
// A parsed command file with a search over every command of it started.
struct Searching {
    explicit Searching(const fixture::CommandFileBuilder& file)
        : path(home.writeFile("mycmds.dat", file.build())) {
        EXPECT_TRUE(home.parse(path).ok());
        restart();
    }
    void restart() { search.start(statements::selectAll(home.store())); }
    // The body of a global command, read from the file again.
    std::string body(const std::string& name) {
        EXPECT_TRUE(home.parse(path, true).ok());
        return findRow(home.store(), "Global Commands", "Global Commands", name)->script;
    }
    testing::TestHome home;
    std::filesystem::path path;
    FileOps files;
    UpdateEngine engine{{home.home(), home.store(), home.trace(), files, path}};
    std::string progress;
    SearchReplace search{home.store(), engine, home.prompt,
                         [this](const std::string& text) { progress = text; }};
};
} // namespace

TEST(SearchReplace, FindsEveryOccurrenceReplacesInPlaceAndReportsTheCount) {
    fixture::CommandFileBuilder file;
    file.command("a").keys("{Enter} enter ENTER");
    file.command("b").script("SendKeys \"{enter}\"");
    file.command("c").plainText("enter is not searched here");
    Searching s(file);
    auto& search = s.search;
    const auto& shown = s.home.prompt.shown;

    EXPECT_EQ(search.findNext("", false), SearchReplace::Step::Refused);
    EXPECT_EQ(shown.back().text, " No text entered to search for");
    ASSERT_EQ(search.findNext("enter", true), SearchReplace::Step::Found);
    EXPECT_EQ(search.name(), "a");
    EXPECT_EQ(search.selectionStart(), 8u) << "match case: only the lower-case one";
    search.textChanged();
    ASSERT_EQ(search.findNext("enter", false), SearchReplace::Step::Found);
    EXPECT_EQ(search.selectionStart(), 1u);
    ASSERT_EQ(search.findNext("enter", false), SearchReplace::Step::Found);
    EXPECT_EQ(search.selectionStart(), 8u);

    // Replacing with a text that holds the search text does not find it again.
    EXPECT_EQ(search.replace("enter", "", false), SearchReplace::Step::Refused);
    ASSERT_EQ(search.replace("enter", "enter now", false), SearchReplace::Step::Found);
    EXPECT_EQ(search.name(), "a");
    EXPECT_EQ(search.selectionStart(), 18u);
    EXPECT_EQ(search.replaceAll("enter", "enter now", false), SearchReplace::Step::Finished);
    EXPECT_EQ(shown.back().text, "3 occurrences in 2 macros replaced");
    EXPECT_EQ(s.progress, "Replaced");
    EXPECT_EQ(s.body("a"), "{Enter} enter now enter now");
    EXPECT_EQ(s.body("b"), "SendKeys \"{enter now}\"");
    EXPECT_EQ(s.body("c"), "enter is not searched here");

    s.restart();
    EXPECT_EQ(search.findNext("absent", false), SearchReplace::Step::NoMore);
    EXPECT_EQ(shown.back().text, "No more matches in this Scope");
}

TEST(SearchReplace, AListCopyIsReplacedOnceInItsMasterAndForeignTextIsRefused) {
    fixture::CommandFileBuilder file;
    file.command("go <places>").application("winword").keys("x");
    file.command("keys").keys("{Ctrl+m}");
    file.list("places", {"home", "work"});
    Searching s(file);
    auto& [home, path, files, engine, progress, search] = s;
    // The window shows the LIST under WINWORD as a copy of the global one.
    EditGate gate;
    Browser browser(&home.store(), gate);
    browser.start();
    browser.setCurrent("WINWORD", "Application-specific");
    browser.reset(CommandsTab);
    ASSERT_EQ(testing::rowsWhere(home.store(), "listcopy = 1").size(), 1U);

    const auto before = testing::readBytes(path);
    s.restart();
    // A replacement the code page cannot hold is refused before anything is written.
    EXPECT_EQ(search.replaceAll("Ctrl", "\U0001F600", false), SearchReplace::Step::Refused);
    EXPECT_TRUE(testing::contains(home.prompt.shown.back().text, "The replacement"));
    EXPECT_EQ(testing::readBytes(path), before);

    search.textChanged();
    EXPECT_EQ(search.replaceAll("work", "office", true), SearchReplace::Step::Finished);
    EXPECT_EQ(home.prompt.shown.back().text, "1 occurrences in 1 macros replaced");
    EXPECT_EQ(s.body("places"), "home\r\noffice\r\n");
}

// The text in a body of every type: found in KEYS, scripts, Advanced Scripts and LISTs, in file
// order, and never in the types search and replace leaves alone.
TEST(SearchReplace, EverySearchableTypeIsSearchedAndNoOther) {
    fixture::CommandFileBuilder file;
    file.command("keys").keys("needle");
    file.command("script").script("SendKeys \"needle\"");
    file.command("graphic").textAndGraphics("\x01", "needle");
    file.command("plain").plainText("needle");
    file.command("steps").steps({fixture::Step::type("needle")});
    file.command("advanced").advanced("Sub Main\r\nSendKeys \"needle\"\r\nEnd Sub\r\n");
    file.list("things", {"needle"});
    Searching s(file);
    auto& [home, path, files, engine, progress, search] = s;
    std::vector<std::string> found;
    while (search.findNext("NEEDLE", false) == SearchReplace::Step::Found && found.size() < 10)
        found.push_back(search.name());
    EXPECT_EQ(found, (std::vector<std::string>{"keys", "script", "advanced", "things"}));

    s.restart();
    EXPECT_EQ(search.replaceAll("needle", "pin", true), SearchReplace::Step::Finished);
    EXPECT_EQ(home.prompt.shown.back().text, "4 occurrences in 4 macros replaced");
    EXPECT_EQ(s.body("keys"), "pin");
    EXPECT_EQ(s.body("script"), "SendKeys \"pin\"");
    EXPECT_EQ(s.body("advanced"), "Sub Main\r\nSendKeys \"pin\"\r\nEnd Sub\r\n");
    EXPECT_EQ(s.body("things"), "pin\r\n");
    EXPECT_EQ(s.body("plain"), "needle");
}

TEST(SearchReplace, TheFirstReplaceOnlyFindsAndTheShownSelectionCountsALineBreakAsOne) {
    fixture::CommandFileBuilder file;
    file.command("lines").keys("one\r\ntwo\r\nneedle");
    Searching s(file);
    auto& [home, path, files, engine, progress, search] = s;
    EXPECT_EQ(search.replace("", "pin", true), SearchReplace::Step::Refused);
    EXPECT_EQ(home.prompt.shown.back().text, "No Search For text entered");
    const auto before = testing::readBytes(path);
    ASSERT_EQ(search.replace("needle", "pin", true), SearchReplace::Step::Found);
    EXPECT_EQ(testing::readBytes(path), before) << "the first press shows the match";
    EXPECT_EQ(search.selectionStart(), 10u);
    EXPECT_EQ(search.shownSelectionStart(), 8u); // "one", a break, "two", a break
    EXPECT_EQ(search.replace("needle", "pin", true), SearchReplace::Step::Finished);
    EXPECT_EQ(s.body("lines"), "one\r\ntwo\r\npin");
}

} // namespace qmk
