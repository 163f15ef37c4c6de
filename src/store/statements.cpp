#include "store/statements.h"

#include "common/utf8_path.h"
#include "store/schema.h"
#include "store/user_rows.h"

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
// The count a query gives, its `?` bound to `texts` in order.
template <typename... Texts>
std::int64_t countOf(Database& db, const char* sql, const Texts&... texts) {
    auto select = db.prepare(sql);
    int parameter = 1;
    (select.bind(parameter++, texts), ...);
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

std::vector<std::uint32_t> markedCommandOffsets(Database& db) {
    auto marks = db.prepare("SELECT positions.offset FROM user JOIN positions ON positions.ID = "
                            "user.ID WHERE user.flag = 1 AND positions.filerecord = 1 AND "
                            "user.Type <> 'L'");
    std::vector<std::uint32_t> offsets;
    while (marks.step())
        offsets.push_back(static_cast<std::uint32_t>(marks.integer(0)));
    return offsets;
}

std::int64_t globalListOffset(Database& db, const std::string& name) {
    auto master = db.prepare("SELECT positions.offset FROM user JOIN positions ON positions.ID = "
                             "user.ID WHERE menu = 'Global Commands' AND state = 'Global "
                             "Commands' AND name = ? AND Type = 'L' AND positions.filerecord = 1");
    master.bind(1, name);
    return master.step() ? master.integer(0) : 0;
}

std::optional<std::int64_t> globalListId(Database& db, const std::string& name) {
    auto select = db.prepare("SELECT ID FROM user WHERE Type = 'L' AND menu = 'Global Commands' "
                             "AND state = 'Global Commands' AND name = ? AND listcopy = 0");
    select.bind(1, name);
    if (!select.step())
        return std::nullopt;
    return select.integer(0);
}

std::int64_t flagCommandsNamed(Database& db, const std::string& program, const std::string& scope,
                               const std::string& name) {
    db.prepare("UPDATE user SET flag = 1 WHERE Type <> 'L' AND menu = ? AND state = ? AND name = ?")
        .bind(1, program)
        .bind(2, scope)
        .bind(3, name)
        .run();
    return db.changes();
}

std::int64_t countCommandsOfProgram(Database& db, const std::string& program) {
    return countOf(db, "SELECT count(*) FROM user WHERE Type <> 'L' AND menu = ?", program);
}

std::int64_t countCommandsOfGroup(Database& db, const std::string& group) {
    return countOf(db, "SELECT count(*) FROM user WHERE Type <> 'L' AND owner = ?", group);
}

std::int64_t countCommandsOfScope(Database& db, const std::string& program,
                                  const std::string& scope) {
    return countOf(db, "SELECT count(*) FROM user WHERE Type <> 'L' AND menu = ? AND state = ?",
                   program, scope);
}

Statement prepareAddState(Database& db) {
    return db.prepare("INSERT INTO states (appname, statename) VALUES (?, ?)");
}

void shiftPositions(Database& db, std::uint32_t from, std::int64_t delta, bool inclusive) {
    static constexpr const char* kAfter =
        "UPDATE positions SET offset = offset + CASE WHEN offset > ?2 THEN ?1 ELSE 0 END, "
        "offsetbody = offsetbody + CASE WHEN offsetbody <> 0 AND offsetbody > ?2 THEN ?1 ELSE 0 "
        "END WHERE filerecord = 1 AND (offset > ?2 OR offsetbody > ?2)";
    static constexpr const char* kFrom =
        "UPDATE positions SET offset = offset + CASE WHEN offset >= ?2 THEN ?1 ELSE 0 END, "
        "offsetbody = offsetbody + CASE WHEN offsetbody <> 0 AND offsetbody >= ?2 THEN ?1 ELSE 0 "
        "END WHERE filerecord = 1 AND (offset >= ?2 OR offsetbody >= ?2)";
    db.prepare(inclusive ? kFrom : kAfter).bind(1, delta).bind(2, std::int64_t{from}).run();
    db.prepare(inclusive
                   ? "UPDATE parameters SET OffsetLists = OffsetLists + ?1 WHERE OffsetLists >= ?2"
                   : "UPDATE parameters SET OffsetLists = OffsetLists + ?1 WHERE OffsetLists > ?2")
        .bind(1, delta)
        .bind(2, std::int64_t{from})
        .run();
}

std::vector<RowPositions> positionsAfter(Database& db, std::uint32_t from) {
    auto rows = db.prepare("SELECT ID, offset, offsetbody FROM positions WHERE filerecord = 1 AND "
                           "(offset > ?1 OR offsetbody > ?1)");
    rows.bind(1, std::int64_t{from});
    std::vector<RowPositions> found;
    while (rows.step())
        found.push_back({rows.integer(0), rows.integer(1), rows.integer(2)});
    return found;
}

void setPositions(Database& db, const std::vector<RowPositions>& rows) {
    auto update = db.prepare("UPDATE positions SET offset = ?, offsetbody = ? WHERE ID = ?");
    for (const auto& row : rows) {
        update.bind(1, row.offset).bind(2, row.offsetbody).bind(3, row.id).run();
        update.reset();
    }
}

void setBodyPosition(Database& db, std::int64_t id, std::int64_t offsetbody) {
    db.prepare("UPDATE positions SET offsetbody = ? WHERE ID = ?")
        .bind(1, offsetbody)
        .bind(2, id)
        .run();
}

void setListsPosition(Database& db, std::int64_t offsetLists) {
    db.prepare("UPDATE parameters SET OffsetLists = ?").bind(1, offsetLists).run();
}

void vacuumInto(Database& db, const std::filesystem::path& file) {
    db.prepare("VACUUM INTO ?").bind(1, utf8Of(file)).run();
}

void unflagRow(Database& db, std::int64_t id) {
    db.prepare("UPDATE user SET flag = 0 WHERE ID = ?").bind(1, id).run();
}

std::int64_t flagGroup(Database& db, const std::string& group) {
    db.prepare("UPDATE user SET flag = 1 WHERE owner = ?").bind(1, group).run();
    return db.changes();
}

std::int64_t flagProgram(Database& db, const std::string& program) {
    db.prepare("UPDATE user SET flag = 1 WHERE menu = ?").bind(1, program).run();
    return db.changes();
}

void flagNamed(Database& db, const std::string& program, const std::string& scope,
               const std::string& name) {
    db.prepare("UPDATE user SET flag = 1 WHERE ID = (SELECT ID FROM user WHERE menu = ? AND "
               "state = ? AND name = ? ORDER BY ID LIMIT 1)")
        .bind(1, program)
        .bind(2, scope)
        .bind(3, name)
        .run();
}

void forEachMarkedRow(Database& db, const std::function<bool(const UserRow&)>& visit) {
    auto marked = db.prepare(UserTable::selectSql() + " WHERE user.flag = 1");
    while (marked.step())
        if (!visit(UserTable::rowFrom(marked)))
            return;
}

std::vector<UserRow> markedRows(Database& db, MarkedOrder order) {
    auto select = db.prepare(
        UserTable::selectSql() + " WHERE user.flag = 1 ORDER BY globalsort, " +
        (order == MarkedOrder::Listing ? "menu, state, listsort, name" : "menu, state, name"));
    std::vector<UserRow> rows;
    while (select.step())
        rows.push_back(UserTable::rowFrom(select));
    return rows;
}

void narrowMarksToSearchable(Database& db) {
    db.exec("UPDATE user SET flag = 0 WHERE flag = 1 AND Type NOT IN ('S', 'K', 'A', 'L')");
    db.exec("UPDATE user SET flag = 1 WHERE Type = 'L' AND listcopy = 0 AND menu = 'Global "
            "Commands' AND state = 'Global Commands' AND name IN (SELECT name FROM user "
            "WHERE flag = 1 AND listcopy = 1)");
    db.exec("UPDATE user SET flag = 0 WHERE flag = 1 AND listcopy = 1");
}

void forEachMarkedBody(Database& db, std::int64_t fromId,
                       const std::function<bool(std::int64_t id, std::string_view name,
                                                std::string_view body)>& visit) {
    auto rows =
        db.prepare("SELECT ID, name, script FROM user WHERE flag = 1 AND ID >= ? ORDER BY ID");
    rows.bind(1, fromId);
    while (rows.step())
        if (!visit(rows.integer(0), rows.view(1), rows.view(2)))
            return;
}

BodyUpdate::BodyUpdate(Database& db)
    : update_(db.prepare("UPDATE user SET script = ? WHERE ID = ?")) {}

void BodyUpdate::operator()(std::int64_t id, const std::string& body) {
    update_.bind(1, body).bind(2, id).run();
    update_.reset();
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
