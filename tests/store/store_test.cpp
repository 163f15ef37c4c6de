#include "command_file_builder.h"
#include "store/parameters.h"
#include "store/places.h"
#include "store/schema.h"
#include "store/statements.h"
#include "store/store_recovery.h"
#include "store/user_rows.h"
#include "test_home.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace qmk {

using fixture::CommandFileBuilder;

TEST(Store, AValueLongerThanItsColumnIsRefusedWithAtMostTwoMessagesPerRun) {
    testing::TestHome home;
    CommandFileBuilder file;
    file.command("fine").keys("1");
    file.command("too long program").application(std::string(30, 'p')).keys("2");
    file.command(std::string(151, 'n')).keys("3");
    file.command("long group").group(std::string(51, 'g')).keys("4");
    file.command("last").keys("5");
    const auto path = home.writeFile("mycmds.dat", file.build());
    ASSERT_TRUE(home.parse(path).ok());

    const auto rows = home.rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].name, "last");
    ASSERT_EQ(home.prompt.shown.size(), 2u);
    EXPECT_EQ(home.prompt.shown[0].title, "CHECK constraint failed: program_width");
    EXPECT_EQ(home.prompt.shown[0].text, std::string(30, 'P') +
                                             " (Max=20)\r\nApplication-specific (Max=100)\r\n"
                                             "too long program (Max=150)\r\n (Max=150)\r\n"
                                             "User-defined (Max=50)\r\nError # =275\r\n"
                                             "Record(s) skipped");
    EXPECT_EQ(home.prompt.shown[1].title, "CHECK constraint failed: name_width");
    EXPECT_EQ(home.parser().skipMessagesShown(), 3);

    // The count lives as long as the program: a later parse shows no more messages.
    ASSERT_TRUE(home.parse(path, true).ok());
    EXPECT_EQ(home.prompt.shown.size(), 2u);
}

TEST(Store, FixedStatementsSelectCountAndOrderWithBoundTexts) {
    testing::TestHome home;
    CommandFileBuilder file;
    file.command("zeta").application("word").group("O'Brien").keys("1");
    file.command("alpha").application("word").group("O'Brien").keys("2");
    file.command("global one").group("O'Brien").keys("3");
    file.command("other").application("word").group("Plain").keys("4");
    file.command("in window").window("word", "Doc \"1\"").group("O'Brien").keys("5");
    file.list("items", {"x"});
    ASSERT_TRUE(home.parse(home.writeFile("mycmds.dat", file.build())).ok());
    auto& db = home.store();

    EXPECT_EQ(statements::countCommands(db), 5);
    EXPECT_EQ(statements::countLists(db), 1);
    using Names = std::vector<std::string>;
    const auto names = [&](const Selection& rows) {
        Names named;
        for (const auto& row : statements::rowsOf(db, rows, statements::RowOrder::Listing))
            named.push_back(row.name);
        return named;
    };
    EXPECT_EQ(names(statements::selectProgramScope(db, "WORD", "Application-specific", "O'Brien")),
              (Names{"alpha", "zeta"}));
    EXPECT_EQ(names(statements::selectProgramScope(db, "WORD", "Doc \"1\"")), Names{"in window"});
    EXPECT_EQ(names(statements::selectAll(db)),
              (Names{"global one", "items", "alpha", "other", "zeta", "in window"}));
    EXPECT_EQ(names(statements::selectGroup(db, "O'Brien")),
              (Names{"global one", "alpha", "zeta", "in window"}));
    EXPECT_EQ(names(statements::selectProgram(db, "WORD")),
              (Names{"alpha", "other", "zeta", "in window"}));
    EXPECT_EQ(statements::selectCommands(db).size(), 5U);
    const auto zeta = statements::firstNamed(db, "WORD", "Application-specific", "zeta");
    ASSERT_TRUE(zeta);
    EXPECT_EQ(names(Selection({*zeta, *zeta})), Names{"zeta"});
    EXPECT_FALSE(statements::firstNamed(db, "WORD", "Doc \"1\"", "zeta"));
    EXPECT_EQ(Selection({9, 2, 9, 40}).asJsonArray(), "[2,9,40]");
    EXPECT_EQ(Selection().asJsonArray(), "[]");
    EXPECT_TRUE(statements::rowsOf(db, Selection(), statements::RowOrder::Names).empty());

    EXPECT_EQ(places::groups(db), (std::vector<std::string>{"O'Brien", "Plain"}));
    auto programs = places::programs(db, "O'Brien");
    std::sort(programs.begin(), programs.end());
    EXPECT_EQ(programs, (std::vector<std::string>{"Global Commands", "WORD"}));
    EXPECT_EQ(places::scopes(db, "WORD", "O'Brien"),
              (std::vector<std::string>{"Application-specific", "Doc \"1\""}));
    EXPECT_TRUE(places::scopeExists(db, "WORD", "Doc \"1\""));
    EXPECT_FALSE(places::scopeExists(db, "WORD", "Doc"));
    EXPECT_EQ(places::firstPlaceOfGroup(db, "O'Brien"),
              (places::Place{"Global Commands", "Global Commands"}));
    EXPECT_EQ(statements::clearNoGlobals(db), 6);
    // Search and replace reads a LIST copy's master, the one record of the file, for the copy.
    auto copy = *places::findRow(db, "Global Commands", "Global Commands", "items");
    copy.program = "WORD";
    copy.scope = "Application-specific";
    copy.listcopy = true;
    UserTable(db).add(copy);
    EXPECT_EQ(names(statements::searchablePart(
                  db, statements::selectProgramScope(db, "WORD", "Application-specific"))),
              (Names{"items", "alpha", "other", "zeta"}));
    statements::emptyTables(db);
    EXPECT_EQ(statements::countCommands(db), 0);
}

std::string indexNames(Database& db) {
    auto indexes = db.prepare(
        "SELECT group_concat(name, ' ') FROM (SELECT name FROM sqlite_master WHERE type = "
        "'index' AND name NOT LIKE 'sqlite_%' ORDER BY name)");
    return indexes.step() ? indexes.text(0) : "";
}

std::int64_t countOf(Database& db, const char* sql) {
    auto select = db.prepare(sql);
    return select.step() ? select.integer(0) : -1;
}

TEST(Store, AFullParseRebuildsEveryIndexWhetherOrNotARowIsBeingReadAndARemovedRowLeavesNothing) {
    testing::TestHome home;
    CommandFileBuilder file;
    for (int i = 0; i < 40; ++i)
        file.command("command " + std::to_string(i)).application("word").keys("{Ctrl+a}");
    file.list("items", {"x", "y"});
    const auto path = home.writeFile("mycmds.dat", file.build());
    for (const bool reading : {false, true}) {
        auto open = home.store().prepare("SELECT ID FROM user");
        if (reading) {
            ASSERT_TRUE(open.step());
        }
        ASSERT_TRUE(home.parse(path, true).ok()) << reading;
        EXPECT_EQ(indexNames(home.store()), "apps lists marked name program scope") << reading;
        EXPECT_EQ(statements::countCommands(home.store()), 40);
        EXPECT_EQ(statements::countLists(home.store()), 1);
    }
    UserTable table(home.store());
    const auto id = countOf(home.store(), "SELECT min(ID) FROM user");
    table.remove(id);
    EXPECT_EQ(countOf(home.store(), "SELECT count(*) FROM user"), 40);
    EXPECT_EQ(countOf(home.store(), "SELECT count(*) FROM positions"), 40);
    EXPECT_EQ(statements::countCommands(home.store()), 39);
}

// The store is a cache of its file: one of an older schema loses its rows, and the next parse,
// forced or not, reads the file into the columns of today.
TEST(Store, AStoreOfAnOlderSchemaIsEmptiedAndItsFileReadAgain) {
    testing::TestHome home;
    CommandFileBuilder file;
    file.command("open mail").group("Mail").keys("{Ctrl+m}");
    const auto path = home.writeFile("mycmds.dat", file.build());
    ASSERT_TRUE(home.parse(path, true).ok());
    auto& store = home.store();
    store.exec("DROP TABLE user");
    store.exec("CREATE TABLE user (ID INTEGER PRIMARY KEY, menu TEXT, state TEXT, owner TEXT)");
    store.exec("INSERT INTO user (menu, state, owner) VALUES ('old', 'old', 'old')");
    store.exec("PRAGMA user_version = " + std::to_string(kSchemaVersion - 1));
    ensureSchema(store);
    EXPECT_EQ(countOf(store, "SELECT count(*) FROM user"), 0);
    ASSERT_EQ(home.parse(path, false).status, ParseStatus::Parsed);
    EXPECT_EQ(countOf(store, "SELECT count(*) FROM user WHERE program = 'Global Commands' AND "
                             "scope = 'Global Commands' AND group_name = 'Mail'"),
              1);
}

TEST(StoreErrors, AFullDiskNamesTheFileThatCouldNotBeWritten) {
    testing::TestHome home;
    const auto file = home.path("full.mdb");
    Database db(file);
    db.exec("CREATE TABLE t (x TEXT)");
    db.exec("PRAGMA max_page_count = 3"); // the store can grow no further, as on a full disk
    try {
        db.prepare("INSERT INTO t VALUES (?)").bind(1, std::string(100000, 'x')).run();
        ADD_FAILURE() << "the insert went through";
    } catch (const StoreError& error) {
        EXPECT_EQ(error.code() & 0xff, 13); // SQLITE_FULL
        EXPECT_EQ(std::string(error.what()),
                  "the disk is full: " + file.string() +
                      " could not be written (database or disk is full); free some space and "
                      "try again");
    }
}

TEST(StoreWidths, EveryWidthHoldsAtTheLimitAndRefusesOnePastWithOrWithoutANul) {
    testing::TestHome home;
    UserTable table(home.store());
    const auto stored = [&](void (*set)(UserRow&, std::string), std::string text) {
        UserRow row;
        row.program = "Global Commands";
        row.scope = "Global Commands";
        row.name = "n";
        set(row, std::move(text));
        deriveColumns(row);
        try {
            table.add(row);
            return true;
        } catch (const StoreError&) {
            return false;
        }
    };
    const std::pair<void (*)(UserRow&, std::string), int> widths[] = {
        {[](UserRow& r, std::string t) { r.program = std::move(t); }, 20},
        {[](UserRow& r, std::string t) { r.scope = std::move(t); }, 100},
        {[](UserRow& r, std::string t) { r.name = std::move(t); }, 150},
        {[](UserRow& r, std::string t) { r.group = std::move(t); }, 50},
        {[](UserRow& r, std::string t) { r.description = std::move(t); }, 150}};
    for (const auto& [set, width] : widths) {
        SCOPED_TRACE(width);
        const auto limit = static_cast<std::size_t>(width);
        EXPECT_TRUE(stored(set, std::string(limit, 'x')));
        EXPECT_FALSE(stored(set, std::string(limit + 1, 'x')));
        // A NUL counts as a character, wherever it stands.
        auto withNul = std::string(limit + 1, 'x');
        withNul[3] = '\0';
        EXPECT_FALSE(stored(set, withNul));
        withNul.pop_back();
        EXPECT_TRUE(stored(set, withNul));
        // Widths are characters, not UTF-8 bytes.
        std::string accents;
        for (std::size_t i = 0; i < limit; ++i)
            accents += "\xC3\xA9";
        EXPECT_TRUE(stored(set, accents));
        EXPECT_FALSE(stored(set, accents + "\xC3\xA9"));
    }
}

// A damaged store goes aside under the time it was found, never over an earlier one.
TEST(StoreRecovery, EachDamagedStoreKeepsItsOwnName) {
    testing::TestHome home;
    home.closeStore();
    const auto store = home.path("global10.mdb");
    const auto when = testing::localTime(2026, 1, 5, 9, 8, 7);
    const std::string names[] = {"global10.mdb.damaged-20260105-090807",
                                 "global10.mdb.damaged-20260105-090807-2",
                                 "global10.mdb.damaged-20260105-090807-3"};
    for (const auto& name : names) {
        home.writeFile("global10.mdb", "damaged " + name);
        EXPECT_EQ(replaceDamagedStore(store, when).movedTo, home.path(name));
    }
    for (const auto& name : names)
        EXPECT_EQ(home.readFile(name), "damaged " + name);
}

} // namespace qmk
