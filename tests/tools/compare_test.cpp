#include "actions/edit_rules.h"
#include "command_file_builder.h"
#include "failing_files.h"
#include "test_home.h"
#include "tools/compare.h"
#include "tools/conflicts.h"
#include "tools/restore_items.h"
#include "writer/record_edits.h"

#include <functional>
#include <gtest/gtest.h>

namespace qmk::testing {

namespace {

using fixture::CommandFileBuilder;
using fixture::Step;

// The same commands and LISTs in the layout of any generation.
std::string sameCommands(std::uint8_t versionCode) {
    CommandFileBuilder file(versionCode);
    file.command("open <mailbox>").listReferences({"mailbox"}).group("Mail").keys("{Ctrl+o}");
    file.command("sign off").description("the letter's end").plainText("Yours,\r\nPat");
    file.command("bold").window("winword", "Document1").advanced("Sub Main\r\nEnd Sub");
    file.command("next page").application("WinWord").script("SendKeys \"{PgDn}\"");
    file.command("steps").steps({Step::press(65, 1), Step::type("hi")});
    file.list("mailbox", {"inbox", "outbox"});
    return file.build();
}

CommandSet readSet(const std::filesystem::path& file) {
    auto read = readCommandSet(file, KeyNames{});
    EXPECT_TRUE(std::holds_alternative<CommandSet>(read)) << std::get<std::string>(read);
    return std::get<CommandSet>(read);
}

// The items of a set that `wanted` names.
std::vector<SetItem> itemsOf(const CommandSet& set,
                             const std::function<bool(const SetItem&)>& wanted) {
    std::vector<SetItem> chosen;
    for (const auto& item : set.items)
        if (wanted(item))
            chosen.push_back(item);
    return chosen;
}

// Today's command file, parsed, with an update engine on it.
struct Today {
    Today(TestHome& home, const CommandFileBuilder& builder)
        : file(home.writeFile("mycmds.dat", builder.build())) {
        EXPECT_TRUE(home.parse(file, true).ok());
    }
    std::filesystem::path file;
    Trace trace;
    FileOps files;
};

std::vector<std::string> lines(const std::vector<Difference>& differences) {
    std::vector<std::string> out;
    for (const auto& d : differences)
        out.push_back(differenceLine(d));
    return out;
}

} // namespace

TEST(Compare, IdenticalCommandsInAnyTwoGenerationsDiffer0AndOneEditIsOneChange) {
    TestHome home;
    std::vector<CommandSet> sets;
    for (const int code : {3, 4, 5, 6, 7})
        sets.push_back(readSet(home.writeFile("v" + std::to_string(code) + ".dat",
                                              sameCommands(static_cast<std::uint8_t>(code)))));
    for (const auto& a : sets)
        for (const auto& b : sets)
            EXPECT_TRUE(compareSets(a, b).empty())
                << a.properties.generationLabel << " / " << b.properties.generationLabel;

    // One body edited through the writer: exactly one change, naming the body.
    const auto file = home.writeFile("mycmds.dat", sameCommands(7));
    ASSERT_TRUE(home.parse(file, true).ok());
    Trace trace;
    FileOps files;
    UpdateEngine engine(EngineContext{home.home(), home.store(), trace, files, file});
    const auto before = readSet(file);
    ASSERT_TRUE(replaceBody(engine,
                            *findRow(home.store(), "WINWORD", "Application-specific", "next page"),
                            "SendKeys \"{PgUp}\"")
                    .done());
    const auto after = readSet(file);
    EXPECT_EQ(
        lines(compareSets(before, after)),
        std::vector<std::string>{"~ command  WINWORD | Application-specific | next page: body"});

    // Added, removed, renamed in case only, a LIST's items and a description changed.
    CommandFileBuilder other(5);
    other.command("OPEN <mailbox>").listReferences({"mailbox"}).group("Mail").keys("{Ctrl+o}");
    other.command("sign off").description("changed").plainText("Yours,\r\nPat");
    other.command("bold").window("winword", "Document1").advanced("Sub Main\r\nEnd Sub");
    other.command("next page").application("WinWord").script("SendKeys \"{PgDn}\"");
    other.command("new one").keys("x");
    other.list("mailbox", {"inbox"});
    const auto changed = readSet(home.writeFile("other.dat", other.build()));
    const auto differences = compareSets(before, changed);
    EXPECT_EQ(
        lines(differences),
        (std::vector<std::string>{
            "~ command  Global Commands | Global Commands | OPEN <mailbox>: name",
            "~ command  Global Commands | Global Commands | sign off: description",
            "+ command  Global Commands | Global Commands | new one", "~ LIST     mailbox: items",
            "- command  Global Commands | Global Commands | steps"}));
    EXPECT_EQ(differenceSummary(differences), "1 added, 1 removed, 3 changed");
}

TEST(Compare, ARestoreBringsBackExactlyTheChosenCommandAndList) {
    TestHome home;
    const auto archive = home.writeFile("mycmds.01012026", sameCommands(7));
    // Today's file: "sign off" and "bold" deleted, the mailbox LIST cut to one item.
    CommandFileBuilder today(7);
    today.command("open <mailbox>").listReferences({"mailbox"}).group("Mail").keys("{Ctrl+o}");
    today.command("next page").application("WinWord").script("SendKeys \"{PgDn}\"");
    today.command("steps").steps({Step::press(65, 1), Step::type("hi")});
    today.list("mailbox", {"inbox"});
    Today parsed(home, today);
    const auto& file = parsed.file;
    UpdateEngine engine(EngineContext{home.home(), home.store(), parsed.trace, parsed.files, file});
    const auto old = readSet(archive);
    const auto chosen = itemsOf(old, [](const SetItem& item) {
        return item.name == "sign off" || (item.list && item.name == "mailbox");
    });
    int asked = 0;
    const auto outcome = restoreItems(
        engine, archive, chosen,
        [&](const DuplicateCommand&) {
            ++asked;
            return DuplicateAnswer::Yes;
        },
        home.status, home.prompt);
    ASSERT_TRUE(outcome.result.done()) << outcome.result.message;
    EXPECT_EQ(asked, 1) << "the LIST the file holds already";
    EXPECT_EQ(outcome.commands, 1);
    EXPECT_EQ(readBytes(home.path("savedat")), today.build());
    EXPECT_TRUE(home.parse(file, true).ok());
    EXPECT_EQ(lines(compareSets(old, readSet(file))),
              std::vector<std::string>{"- command  WINWORD | Document1 | bold"});

    // A cancel at the question leaves the file as it was, LISTs written before it included.
    const auto before = readBytes(file);
    const auto both = itemsOf(
        old, [](const SetItem& item) { return item.name == "mailbox" || item.name == "bold"; });
    const auto cancelled = restoreItems(
        engine, archive, both,
        [](const DuplicateCommand&) { return DuplicateAnswer::CancelExport; }, home.status,
        home.prompt);
    EXPECT_EQ(cancelled.result.code, Outcome::Code::Cancelled);
    EXPECT_EQ(readBytes(file), before);
}

TEST(Compare, ARestoreLeavesWhatTheUserDeclinesAndRefusesWhatItCannotRead) {
    TestHome home;
    const auto archive = home.writeFile("mycmds.01012026", sameCommands(7));
    CommandFileBuilder today(7);
    today.command("open <mailbox>").listReferences({"mailbox"}).group("Mail").keys("{Ctrl+o}");
    today.list("mailbox", {"inbox"});
    Today parsed(home, today);
    UpdateEngine engine(
        EngineContext{home.home(), home.store(), parsed.trace, parsed.files, parsed.file});
    const auto chosen = itemsOf(readSet(archive), [](const SetItem& item) {
        return item.name == "sign off" || (item.list && item.name == "mailbox");
    });
    const auto kept = restoreItems(
        engine, archive, chosen, [](const DuplicateCommand&) { return DuplicateAnswer::NoToAll; },
        home.status, home.prompt);
    ASSERT_TRUE(kept.result.done()) << kept.result.message;
    EXPECT_EQ(kept.lists, 0);
    EXPECT_EQ(kept.commands, 1);
    ASSERT_TRUE(home.parse(parsed.file, true).ok());
    EXPECT_EQ(findRow(home.store(), "Global Commands", "Global Commands", "mailbox")->script,
              "inbox\r\n");

    const auto before = readBytes(parsed.file);
    const auto commandOnly =
        itemsOf(readSet(archive), [](const SetItem& item) { return item.name == "bold"; });
    std::filesystem::remove(archive);
    const auto unreadable =
        restoreItems(engine, archive, commandOnly, {}, home.status, home.prompt);
    EXPECT_EQ(unreadable.result.message, "The archive cannot be read");

    FailingAtStep failing;
    failing.failAt = 0;
    UpdateEngine failingEngine(
        EngineContext{home.home(), home.store(), parsed.trace, failing, parsed.file});
    const auto refused =
        restoreItems(failingEngine, archive, commandOnly, {}, home.status, home.prompt);
    EXPECT_EQ(refused.result.title, "The command file was not changed");
    EXPECT_EQ(readBytes(parsed.file), before);
}

TEST(Conflicts, FindsDuplicatesShadowsScopesAndCollisionsOnlyAListFillsIn) {
    TestHome home;
    CommandFileBuilder file(7);
    file.command("save file").keys("{Ctrl+s}");
    file.command("save  FILE").application("winword").keys("{F12}");
    file.command("go <direction>").listReferences({"direction"}).window("winword", "Doc").keys("x");
    file.command("go up").application("winword").keys("y");
    file.command("go up").window("excel", "Book").keys("z");
    file.command("twice").keys("1");
    file.command("twice").keys("2");
    file.command("far <place>").listReferences({"place"}).keys("3");
    file.list("direction", {"down", "up"});
    const auto set = readSet(home.writeFile("mycmds.dat", file.build()));
    std::vector<std::string> found;
    for (const auto& c : findConflicts(set))
        found.push_back(conflictLine(c));
    EXPECT_EQ(found,
              (std::vector<std::string>{
                  "global  Global Commands | Global Commands | save file  <->  WINWORD | "
                  "Application-specific | save  FILE  \"save file\"",
                  "list  WINWORD | Doc | go <direction>  <->  WINWORD | Application-specific | go "
                  "up  \"go up\"",
                  "duplicate  Global Commands | Global Commands | twice  <->  Global Commands | "
                  "Global Commands | twice  \"twice\""}))
        << "excel's window is not winword's; a LIST the file lacks stays as written";
}

// A LIST is filled in for its first 500 items only: a phrase past them is never paired.
TEST(Conflicts, LISTsAreFilledInUpToTheirBound) {
    TestHome home;
    CommandFileBuilder file(7);
    file.command("go <n>").listReferences({"n"}).keys("x");
    file.command("go i500").application("winword").keys("y");
    file.command("go i501").application("winword").keys("z");
    std::vector<std::string> items;
    for (int i = 1; i <= 501; ++i)
        items.push_back("i" + std::to_string(i));
    file.list("n", items);
    const auto set = readSet(home.writeFile("mycmds.dat", file.build()));
    std::vector<std::string> found;
    for (const auto& c : findConflicts(set))
        found.push_back(conflictLine(c));
    EXPECT_EQ(found, std::vector<std::string>{
                         "list  Global Commands | Global Commands | go <n>  <->  WINWORD | "
                         "Application-specific | go i500  \"go i500\""});
}

} // namespace qmk::testing

namespace qmk::testing {

// A command set keeps a graphic as stored and the states, skips what Dragon does not load, and
// names the place of any damage.
TEST(CommandSets, GraphicsStatesNotLoadedAndDamage) {
    testing::TestHome home;
    fixture::CommandFileBuilder file;
    file.command("logo").textAndGraphics("GIF", "text");
    file.command("hidden").notLoaded().keys("h");
    file.command("stated").window("word", "Doc").states({"one", "two"}).keys("s");
    const auto set = readSet(home.writeFile("good.dat", file.build()));
    ASSERT_EQ(set.items.size(), 2u);
    EXPECT_EQ(set.items[0].graphic, "\x03GIF\x04text");
    EXPECT_EQ(set.items[1].states, (std::vector<std::string>{"one", "two"}));

    const auto failure = [&](const std::string& name, const std::string& bytes) {
        const auto read = readCommandSet(home.writeFile(name, bytes), KeyNames{});
        return std::holds_alternative<std::string>(read) ? std::get<std::string>(read) : "";
    };
    fixture::CommandFileBuilder damaged;
    damaged.command("bad\x01name").keys("k");
    EXPECT_EQ(failure("damaged.dat", damaged.build()),
              home.path("damaged.dat").string() + ": damaged at position 23"); // the name's text
    const auto whole = file.build();
    // Header 21 bytes, then the name's count and text (1 + 4) and the LIST count (4): the
    // description's count would be byte 31, past the end.
    EXPECT_EQ(failure("short.dat", whole.substr(0, 30)),
              home.path("short.dat").string() + ": damaged at position 31");
    EXPECT_EQ(failure("zeros.dat", std::string(40, '\0')),
              home.path("zeros.dat").string() + ": not a command file");
    EXPECT_EQ(readCommandSet(home.path("absent.dat"), KeyNames{}).index(), 1u);
}

} // namespace qmk::testing
