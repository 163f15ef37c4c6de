#include "store/statements.h"

#include "store/schema.h"

#include <algorithm>

namespace qmk {

std::unique_ptr<Database> openCommandStore(const std::filesystem::path& file) {
    auto db = std::make_unique<Database>(file);
    configureConnection(*db);
    ensureSchema(*db);
    return db;
}

namespace statements {

namespace {
std::int64_t countOf(Database& db, const char* sql) {
    auto select = db.prepare(sql);
    return select.step() ? select.integer(0) : 0;
}

} // namespace

std::int64_t deleteFileRows(Database& db) {
    // Without a WHERE clause SQLite empties the table wholesale instead of row by row; the same
    // rows go when none of them has offset 0.
    if (countOf(db, "SELECT count(*) FROM positions WHERE offset = 0") == 0) {
        db.exec("DELETE FROM positions");
        return db.exec("DELETE FROM user");
    }
    const auto deleted =
        db.exec("DELETE FROM user WHERE ID IN (SELECT ID FROM positions WHERE offset <> 0)");
    db.exec("DELETE FROM positions WHERE offset <> 0");
    return deleted;
}

std::int64_t deleteStates(Database& db) {
    return db.exec("DELETE FROM states");
}

void emptyTables(Database& db) {
    db.exec("DELETE FROM user");
    db.exec("DELETE FROM positions");
    db.exec("DELETE FROM dvcmap");
    db.exec("DELETE FROM states");
}

// The rows a touch-every-row update would report; counted without writing.
std::int64_t countCommands(Database& db) {
    // Both counts read narrow indexes (`state` and the partial `lists`), not the wide rows.
    return countOf(db, "SELECT (SELECT count(*) FROM user) - "
                       "(SELECT count(*) FROM user WHERE Type = 'L')");
}

std::int64_t countMarked(Database& db) {
    return countOf(db, "SELECT count(*) FROM user WHERE flag = 1");
}

std::int64_t countLists(Database& db) {
    return countOf(db, "SELECT count(*) FROM user WHERE Type = 'L'");
}

std::int64_t clearFlags(Database& db) {
    return db.exec("UPDATE user SET flag = 0");
}

std::int64_t flagAll(Database& db) {
    return db.exec("UPDATE user SET flag = 1");
}

std::int64_t flagCommands(Database& db) {
    return db.exec("UPDATE user SET flag = 1 WHERE Type <> 'L'");
}

std::int64_t flagProgramScope(Database& db, const std::string& program, const std::string& scope,
                              const std::optional<std::string>& group) {
    if (!group)
        return db.prepare("UPDATE user SET flag = 1 WHERE menu = ? AND state = ?")
            .bind(1, program)
            .bind(2, scope)
            .run();
    return db.prepare("UPDATE user SET flag = 1 WHERE menu = ? AND state = ? AND owner = ?")
        .bind(1, program)
        .bind(2, scope)
        .bind(3, *group)
        .run();
}

std::int64_t clearNoGlobals(Database& db) {
    return db.exec("UPDATE user SET noglobals = 0");
}

std::vector<std::int64_t> flaggedInOrder(Database& db) {
    auto select = db.prepare(
        "SELECT ID FROM user WHERE flag = 1 ORDER BY globalsort, menu, state, listsort, name");
    std::vector<std::int64_t> ids;
    while (select.step())
        ids.push_back(select.integer(0));
    return ids;
}

std::vector<MarkedRecord> markedRecordsInFileOrder(Database& db, std::int64_t listsAt) {
    // Two narrow scans, merged here: the marks from the partial index alone, the positions from
    // their own table; the wide rows are never read.
    auto marks = db.prepare("SELECT ID FROM user INDEXED BY marked WHERE flag = 1 ORDER BY ID");
    std::vector<std::int64_t> ids;
    while (marks.step())
        ids.push_back(marks.integer(0));
    auto positions = db.prepare("SELECT ID, offset FROM positions WHERE filerecord = 1 AND "
                                "offset < ? ORDER BY ID");
    positions.bind(1, listsAt);
    std::vector<MarkedRecord> records;
    records.reserve(ids.size());
    auto mark = ids.begin();
    while (mark != ids.end() && positions.step()) {
        const auto id = positions.integer(0);
        while (mark != ids.end() && *mark < id)
            ++mark;
        if (mark != ids.end() && *mark == id)
            records.push_back({id, static_cast<std::uint32_t>(positions.integer(1))});
    }
    // Rows are usually numbered in file order already; only edits since the parse reorder them.
    const auto inFileOrder = [](const MarkedRecord& a, const MarkedRecord& b) {
        return a.offset < b.offset;
    };
    if (!std::is_sorted(records.begin(), records.end(), inFileOrder))
        std::sort(records.begin(), records.end(), inFileOrder);
    return records;
}

void flagRow(Database& db, std::int64_t id) {
    db.prepare("UPDATE user SET flag = 1 WHERE ID = ?").bind(1, id).run();
}

void setGroup(Database& db, std::int64_t id, const std::string& group) {
    db.prepare("UPDATE user SET owner = ? WHERE ID = ?").bind(1, group).bind(2, id).run();
}

void emptyUserRows(Database& db) {
    db.exec("DELETE FROM user");
    db.exec("DELETE FROM positions");
    db.exec("DELETE FROM dvcmap");
}

} // namespace statements
} // namespace qmk
