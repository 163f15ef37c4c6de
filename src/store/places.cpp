#include "store/places.h"

#include "store/user_rows.h"

namespace qmk::places {

namespace {

std::vector<std::string> texts(Statement& select) {
    std::vector<std::string> values;
    while (select.step())
        values.push_back(select.text(0));
    return values;
}

std::optional<Place> onePlace(Statement& select) {
    if (!select.step())
        return std::nullopt;
    return Place{select.text(0), select.text(1)};
}

std::optional<UserRow> oneRow(Statement& select) {
    if (!select.step())
        return std::nullopt;
    return UserTable::rowFrom(select);
}

// A row's heading from a query that starts with ID, name, Type, owner.
UserRow headingFrom(const Statement& select) {
    UserRow row;
    row.id = select.integer(0);
    row.name = select.text(1);
    row.type = itemTypeOfLetter(select.text(2));
    row.group = select.text(3);
    return row;
}

std::vector<UserRow> headings(Statement& select) {
    std::vector<UserRow> rows;
    while (select.step())
        rows.push_back(headingFrom(select));
    return rows;
}

SortKey sortKey(const Statement& select) {
    return {select.text(0), select.text(1), select.text(2), select.text(3), select.integer(4)};
}

} // namespace

std::vector<std::string> groups(Database& db) {
    auto select =
        db.prepare("SELECT DISTINCT group_name FROM user WHERE type <> 'L' ORDER BY group_name");
    return texts(select);
}

std::vector<std::string> programs(Database& db, const std::optional<std::string>& group) {
    if (!group) {
        auto select = db.prepare("SELECT DISTINCT program FROM user");
        return texts(select);
    }
    auto select = db.prepare("SELECT DISTINCT program FROM user WHERE group_name = ?");
    select.bind(1, *group);
    return texts(select);
}

std::vector<std::string> scopes(Database& db, const std::string& program,
                                const std::optional<std::string>& group) {
    auto select =
        db.prepare(group ? "SELECT DISTINCT scope FROM user WHERE program = ? AND group_name = ?"
                         : "SELECT DISTINCT scope FROM user WHERE program = ?");
    select.bind(1, program);
    if (group)
        select.bind(2, *group);
    return texts(select);
}

bool programExists(Database& db, const std::string& program) {
    auto exists = db.prepare("SELECT 1 FROM user WHERE program = ? LIMIT 1");
    exists.bind(1, program);
    return exists.step();
}

bool scopeExists(Database& db, const std::string& program, const std::string& scope) {
    auto exists = db.prepare("SELECT 1 FROM user WHERE program = ? AND scope = ? LIMIT 1");
    exists.bind(1, program).bind(2, scope);
    return exists.step();
}

std::optional<Place> firstPlaceOfGroup(Database& db, const std::string& group) {
    auto first = db.prepare("SELECT program, scope FROM user WHERE group_name = ? AND type <> 'L' "
                            "ORDER BY globalsort, program, scope, name LIMIT 1");
    first.bind(1, group);
    return onePlace(first);
}

std::optional<Place> firstCommandPlace(Database& db) {
    auto first =
        db.prepare("SELECT program, scope FROM user WHERE type <> 'L' ORDER BY ID LIMIT 1");
    return onePlace(first);
}

std::optional<Place> firstScopeFrom(Database& db, const std::string& scope) {
    auto seek = db.prepare("SELECT program, scope FROM user WHERE scope >= ? AND type <> 'L' "
                           "ORDER BY scope, ID LIMIT 1");
    seek.bind(1, scope);
    return onePlace(seek);
}

std::optional<Place> firstPlaceFromProgram(Database& db, const std::string& program) {
    auto seek = db.prepare("SELECT program, scope FROM user WHERE (program, scope, name) >= (?, "
                           "'Application-specific', '') AND type <> 'L' ORDER BY program, scope, "
                           "name LIMIT 1");
    seek.bind(1, program);
    return onePlace(seek);
}

void forEachCommandPlace(Database& db, const std::function<bool(const Place&)>& visit) {
    auto scan = db.prepare("SELECT program, scope FROM user WHERE type <> 'L' ORDER BY ID");
    while (scan.step())
        if (!visit({scan.text(0), scan.text(1)}))
            return;
}

std::optional<UserRow> findRow(Database& db, const std::string& program, const std::string& scope,
                               const std::string& name) {
    auto select =
        db.prepare(UserTable::selectSql() +
                   " WHERE program = ? AND scope = ? AND name = ? ORDER BY user.ID LIMIT 1");
    select.bind(1, program).bind(2, scope).bind(3, name);
    return oneRow(select);
}

std::optional<UserRow> firstCommandOf(Database& db, const std::string& program,
                                      const std::string& scope) {
    auto select = db.prepare(UserTable::selectSql() +
                             " WHERE program = ? AND scope = ? AND type <> 'L' AND listcopy = 0 "
                             "ORDER BY globalsort, program, scope, name LIMIT 1");
    select.bind(1, program).bind(2, scope);
    return oneRow(select);
}

std::vector<UserRow> headingsOf(Database& db, const std::string& program,
                                const std::string& scope) {
    auto select = db.prepare("SELECT ID, name, type, group_name FROM user WHERE program = ? AND "
                             "scope = ? ORDER BY name");
    select.bind(1, program).bind(2, scope);
    return headings(select);
}

std::vector<UserRow> commandHeadingsInFileOrder(Database& db, const std::string& program,
                                                const std::string& scope) {
    auto select =
        db.prepare("SELECT ID, name, type, group_name FROM user WHERE program = ? AND scope = ? "
                   "AND type <> 'L' ORDER BY ID");
    select.bind(1, program).bind(2, scope);
    auto rows = headings(select);
    for (auto& row : rows) {
        row.program = program;
        row.scope = scope;
    }
    return rows;
}

std::vector<UserRow> globalListHeadings(Database& db) {
    auto select =
        db.prepare("SELECT ID, name, type, group_name FROM user WHERE type = 'L' AND program = "
                   "'Global Commands' AND scope = 'Global Commands' ORDER BY ID");
    return headings(select);
}

std::vector<std::string> commandNamesOutside(Database& db, const Selection& except) {
    auto select = db.prepare("SELECT name FROM user WHERE type <> 'L' AND listcopy = 0 AND ID NOT "
                             "IN (SELECT value FROM json_each(?))");
    select.bind(1, except.asJsonArray());
    return texts(select);
}

void forEachNewestCommand(Database& db, const std::function<bool(const UserRow&)>& visit) {
    // Insertion order: the commands, newest last, then the LISTs. Only the heading's columns are
    // read: the tab shows a few of many rows, and bodies can be long.
    auto select =
        db.prepare("SELECT ID, name, type, group_name, program, scope FROM user WHERE ID < "
                   "coalesce((SELECT min(ID) FROM user WHERE type = 'L'), "
                   "9223372036854775807) ORDER BY ID DESC");
    while (select.step()) {
        auto row = headingFrom(select);
        row.program = select.text(4);
        row.scope = select.text(5);
        if (!visit(row))
            return;
    }
}

std::vector<std::string> namesLike(Database& db, const std::string& pattern) {
    auto select = db.prepare("SELECT name FROM user WHERE name LIKE ? ESCAPE '\\' ORDER BY ID");
    select.bind(1, pattern);
    return texts(select);
}

void forEachInListOrder(Database& db, const std::optional<SortKey>& from, bool forward,
                        const std::function<bool(const Statement& row)>& visit) {
    const char* after =
        forward ? " WHERE (globalsort, program, scope, name, user.ID) > (?, ?, ?, ?, ?)"
                : " WHERE (globalsort, program, scope, name, user.ID) < (?, ?, ?, ?, ?)";
    const char* order = forward ? " ORDER BY globalsort, program, scope, name, user.ID"
                                : " ORDER BY globalsort DESC, program DESC, scope DESC, name DESC, "
                                  "user.ID DESC";
    auto select = db.prepare(UserTable::selectSql() + (from ? after : "") + order);
    if (from)
        select.bind(1, from->globalsort)
            .bind(2, from->program)
            .bind(3, from->scope)
            .bind(4, from->name)
            .bind(5, from->id);
    while (select.step())
        if (!visit(select))
            return;
}

std::optional<SortKey> sortKeyOf(Database& db, const std::string& program, const std::string& scope,
                                 const std::string& name) {
    auto select =
        db.prepare("SELECT globalsort, program, scope, name, ID FROM user WHERE program = ? "
                   "AND scope = ? AND name = ? ORDER BY ID LIMIT 1");
    select.bind(1, program).bind(2, scope).bind(3, name);
    if (!select.step())
        return std::nullopt;
    return sortKey(select);
}

std::optional<SortKey> nextCommandAfter(Database& db, const SortKey& after) {
    auto next =
        db.prepare("SELECT globalsort, program, scope, name, ID FROM user WHERE (globalsort, "
                   "program, scope, name, ID) > (?, ?, ?, ?, ?) ORDER BY globalsort, program, "
                   "scope, name, ID LIMIT 1");
    next.bind(1, after.globalsort)
        .bind(2, after.program)
        .bind(3, after.scope)
        .bind(4, after.name)
        .bind(5, after.id);
    if (!next.step())
        return std::nullopt;
    return sortKey(next);
}

std::map<std::int64_t, std::string> stateNames(Database& db) {
    std::map<std::int64_t, std::string> names;
    auto select = db.prepare("SELECT ID, statename FROM states");
    while (select.step())
        names[select.integer(0)] = select.text(1);
    return names;
}

std::optional<std::string> stateName(Database& db, std::int64_t id) {
    auto lookUp = db.prepare("SELECT statename FROM states WHERE ID = ?");
    lookUp.bind(1, id);
    if (!lookUp.step())
        return std::nullopt;
    return lookUp.text(0);
}

std::vector<std::string> commandBodies(Database& db, const std::string& program,
                                       const std::string& scope, const std::string& name) {
    auto found = db.prepare(
        "SELECT script FROM user WHERE program = ? AND scope = ? AND name = ? AND type <> 'L'");
    found.bind(1, program).bind(2, scope).bind(3, name);
    return texts(found);
}

} // namespace qmk::places
