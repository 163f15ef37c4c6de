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

// The IDs a query gives, as a selection.
template <typename Query> Selection selectionOf(Query&& select) {
    std::vector<std::int64_t> ids;
    while (select.step())
        ids.push_back(select.integer(0));
    return Selection(std::move(ids));
}

// The condition that keeps the rows of a selection bound, as its JSON array, to the first `?`.
constexpr const char* kSelected = "user.ID IN (SELECT value FROM json_each(?))";

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
                       "(SELECT count(*) FROM user WHERE type = 'L')");
}

std::int64_t countLists(Database& db) {
    return countOf(db, "SELECT count(*) FROM user WHERE type = 'L'");
}

Selection selectAll(Database& db) {
    return selectionOf(db.prepare("SELECT ID FROM user"));
}

Selection selectCommands(Database& db) {
    return selectionOf(db.prepare("SELECT ID FROM user WHERE type <> 'L'"));
}

Selection selectProgramScope(Database& db, const std::string& program, const std::string& scope,
                             const std::optional<std::string>& group) {
    if (!group)
        return selectionOf(db.prepare("SELECT ID FROM user WHERE program = ? AND scope = ?")
                               .bind(1, program)
                               .bind(2, scope));
    return selectionOf(
        db.prepare("SELECT ID FROM user WHERE program = ? AND scope = ? AND group_name = ?")
            .bind(1, program)
            .bind(2, scope)
            .bind(3, *group));
}

Selection selectGroup(Database& db, const std::string& group) {
    return selectionOf(db.prepare("SELECT ID FROM user WHERE group_name = ?").bind(1, group));
}

Selection selectProgram(Database& db, const std::string& program) {
    return selectionOf(db.prepare("SELECT ID FROM user WHERE program = ?").bind(1, program));
}

std::optional<std::int64_t> firstNamed(Database& db, const std::string& program,
                                       const std::string& scope, const std::string& name) {
    auto select = db.prepare("SELECT ID FROM user WHERE program = ? AND scope = ? AND name = ? "
                             "ORDER BY ID LIMIT 1");
    select.bind(1, program).bind(2, scope).bind(3, name);
    if (!select.step())
        return std::nullopt;
    return select.integer(0);
}

Selection selectCommandsNamed(Database& db, const std::string& program, const std::string& scope,
                              const std::string& name) {
    return selectionOf(
        db.prepare(
              "SELECT ID FROM user WHERE type <> 'L' AND program = ? AND scope = ? AND name = ?")
            .bind(1, program)
            .bind(2, scope)
            .bind(3, name));
}

std::int64_t clearNoGlobals(Database& db) {
    return db.exec("UPDATE user SET noglobals = 0");
}

std::vector<SelectedRecord> recordsInFileOrder(Database& db, const Selection& selection,
                                               std::int64_t listsAt) {
    // The positions come from their own narrow table, merged here with the selection's IDs: the
    // wide rows are never read.
    const auto& ids = selection.ids();
    auto positions = db.prepare("SELECT ID, offset FROM positions WHERE filerecord = 1 AND "
                                "offset < ? ORDER BY ID");
    positions.bind(1, listsAt);
    std::vector<SelectedRecord> records;
    records.reserve(ids.size());
    auto next = ids.begin();
    while (next != ids.end() && positions.step()) {
        const auto id = positions.integer(0);
        while (next != ids.end() && *next < id)
            ++next;
        if (next != ids.end() && *next == id)
            records.push_back({id, static_cast<std::uint32_t>(positions.integer(1))});
    }
    // Rows are usually numbered in file order already; only edits since the parse reorder them.
    const auto inFileOrder = [](const SelectedRecord& a, const SelectedRecord& b) {
        return a.offset < b.offset;
    };
    if (!std::is_sorted(records.begin(), records.end(), inFileOrder))
        std::sort(records.begin(), records.end(), inFileOrder);
    return records;
}

std::vector<std::uint32_t> commandOffsets(Database& db, const Selection& selection) {
    auto select = db.prepare(std::string("SELECT positions.offset FROM user JOIN positions ON "
                                         "positions.ID = user.ID WHERE ") +
                             kSelected + " AND positions.filerecord = 1 AND user.type <> 'L'");
    select.bind(1, selection.asJsonArray());
    std::vector<std::uint32_t> offsets;
    while (select.step())
        offsets.push_back(static_cast<std::uint32_t>(select.integer(0)));
    return offsets;
}

std::int64_t globalListOffset(Database& db, const std::string& name) {
    auto master = db.prepare("SELECT positions.offset FROM user JOIN positions ON positions.ID = "
                             "user.ID WHERE program = 'Global Commands' AND scope = 'Global "
                             "Commands' AND name = ? AND type = 'L' AND positions.filerecord = 1");
    master.bind(1, name);
    return master.step() ? master.integer(0) : 0;
}

std::optional<std::int64_t> globalListId(Database& db, const std::string& name) {
    auto select = db.prepare("SELECT ID FROM user WHERE type = 'L' AND program = 'Global Commands' "
                             "AND scope = 'Global Commands' AND name = ? AND listcopy = 0");
    select.bind(1, name);
    if (!select.step())
        return std::nullopt;
    return select.integer(0);
}

std::int64_t countCommandsOfProgram(Database& db, const std::string& program) {
    return countOf(db, "SELECT count(*) FROM user WHERE type <> 'L' AND program = ?", program);
}

std::int64_t countCommandsOfGroup(Database& db, const std::string& group) {
    return countOf(db, "SELECT count(*) FROM user WHERE type <> 'L' AND group_name = ?", group);
}

std::int64_t countCommandsOfScope(Database& db, const std::string& program,
                                  const std::string& scope) {
    return countOf(db, "SELECT count(*) FROM user WHERE type <> 'L' AND program = ? AND scope = ?",
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

void forEachRow(Database& db, const Selection& selection,
                const std::function<bool(const UserRow&)>& visit) {
    auto selected = db.prepare(UserTable::selectSql() + " WHERE " + kSelected);
    selected.bind(1, selection.asJsonArray());
    while (selected.step())
        if (!visit(UserTable::rowFrom(selected)))
            return;
}

std::vector<UserRow> rowsOf(Database& db, const Selection& selection, RowOrder order) {
    auto select = db.prepare(
        UserTable::selectSql() + " WHERE " + kSelected + " ORDER BY globalsort, " +
        (order == RowOrder::Listing ? "program, scope, listsort, name" : "program, scope, name"));
    select.bind(1, selection.asJsonArray());
    std::vector<UserRow> rows;
    while (select.step())
        rows.push_back(UserTable::rowFrom(select));
    return rows;
}

Selection searchablePart(Database& db, const Selection& selection) {
    // The searchable rows that are records of the file, and the master LIST of each LIST copy.
    auto select = db.prepare(
        "SELECT ID FROM user WHERE user.ID IN (SELECT value FROM json_each(?1)) AND type IN "
        "('S', 'K', 'A', 'L') AND listcopy = 0 UNION SELECT ID FROM user WHERE type = 'L' AND "
        "listcopy = 0 AND program = 'Global Commands' AND scope = 'Global Commands' AND name IN "
        "(SELECT name FROM user WHERE user.ID IN (SELECT value FROM json_each(?1)) AND "
        "type = 'L' AND listcopy = 1)");
    select.bind(1, selection.asJsonArray());
    return selectionOf(select);
}

void forEachBody(Database& db, const Selection& selection, std::int64_t fromId,
                 const std::function<bool(std::int64_t id, std::string_view name,
                                          std::string_view body)>& visit) {
    auto rows = db.prepare(std::string("SELECT ID, name, script FROM user WHERE ") + kSelected +
                           " AND ID >= ? ORDER BY ID");
    rows.bind(1, selection.asJsonArray());
    rows.bind(2, fromId);
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
    db.prepare("UPDATE user SET group_name = ? WHERE ID = ?").bind(1, group).bind(2, id).run();
}

void emptyUserRows(Database& db) {
    db.exec("DELETE FROM user");
    db.exec("DELETE FROM positions");
    db.exec("DELETE FROM dvcmap");
}

} // namespace statements
} // namespace qmk
