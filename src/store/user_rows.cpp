#include "store/user_rows.h"

#include "common/text.h"

#include <string>

namespace qmk {

void deriveColumns(UserRow& row) {
    row.globalsort = row.menu == kGlobalCommands ? "G" : "N";
    row.listsort = row.Type == "L" ? "L" : "C";
    row.sleeping = row.state == "Asleep";
    row.pathcode = "U";
}

namespace {

std::string columnList(std::size_t first) {
    std::string list;
    for (std::size_t i = first; i < kUserColumns.size(); ++i) {
        if (!list.empty())
            list += ", ";
        list += kUserColumns[i].name;
    }
    return list;
}

std::string insertSql() {
    std::string sql = "INSERT INTO user (" + columnList(1) + ") VALUES (";
    for (std::size_t i = 1; i < kUserColumns.size(); ++i)
        sql += i == 1 ? "?" : ", ?";
    return sql + ")";
}

} // namespace

UserRow UserTable::rowFrom(const Statement& s) {
    UserRow r;
    int c = 0;
    r.ID = s.integer(c++);
    r.filename = s.text(c++);
    r.menu = s.text(c++);
    r.state = s.text(c++);
    r.name = s.text(c++);
    r.Type = s.text(c++);
    r.script = s.text(c++);
    r.scope = s.text(c++);
    r.owner = s.text(c++);
    r.lists = s.integer(c++);
    r.offset = s.integer(c++);
    r.offsetbody = s.integer(c++);
    r.description = s.text(c++);
    r.states = s.text(c++);
    r.graphicsize = s.integer(c++);
    r.Global = s.integer(c++) != 0;
    r.noglobals = s.integer(c++) != 0;
    r.sleeping = s.integer(c++) != 0;
    r.singleline = s.integer(c++) != 0;
    r.globalsort = s.text(c++);
    r.listsort = s.text(c++);
    r.pathcode = s.text(c++);
    r.dupe = s.integer(c++) != 0;
    r.PDescript = s.integer(c++);
    r.CompanyName = s.integer(c++);
    r.ClassName = s.integer(c++);
    r.encrypted = s.integer(c++) != 0;
    r.listcopy = s.integer(c++) != 0;
    r.flag = s.integer(c++) != 0;
    return r;
}

std::string UserTable::selectSql() {
    return "SELECT " + columnList(0) + " FROM user";
}

UserTable::UserTable(Database& db)
    : db_(db), insert_(db.prepare(insertSql())),
      delete_(db.prepare("DELETE FROM user WHERE ID = ?")) {}

std::int64_t UserTable::add(const UserRow& r) {
    Statement& s = insert_;
    s.bind(1, r.filename);
    s.bind(2, r.menu);
    s.bind(3, r.state);
    s.bind(4, r.name);
    s.bind(5, r.Type);
    s.bind(6, r.script);
    s.bind(7, r.scope);
    s.bind(8, r.owner);
    s.bind(9, r.lists);
    s.bind(10, r.offset);
    s.bind(11, r.offsetbody);
    s.bind(12, r.description);
    s.bind(13, r.states);
    s.bind(14, r.graphicsize);
    s.bind(15, r.Global);
    s.bind(16, r.noglobals);
    s.bind(17, r.sleeping);
    s.bind(18, r.singleline);
    s.bind(19, r.globalsort);
    s.bind(20, r.listsort);
    s.bind(21, r.pathcode);
    s.bind(22, r.dupe);
    s.bind(23, r.PDescript);
    s.bind(24, r.CompanyName);
    s.bind(25, r.ClassName);
    s.bind(26, r.encrypted);
    s.bind(27, r.listcopy);
    s.bind(28, r.flag);
    insert_.run();
    return db_.lastInsertId();
}

void UserTable::remove(std::int64_t id) {
    delete_.bind(1, id).run();
}

void UserTable::forEach(const std::function<void(const UserRow&)>& visit) {
    auto select = db_.prepare(selectSql() + " ORDER BY ID");
    while (select.step())
        visit(rowFrom(select));
}

std::optional<UserRow> UserTable::byId(std::int64_t id) {
    auto select = db_.prepare(selectSql() + " WHERE ID = ?");
    select.bind(1, id);
    if (!select.step())
        return std::nullopt;
    return rowFrom(select);
}

std::vector<UserRow> UserTable::all() {
    std::vector<UserRow> rows;
    forEach([&](const UserRow& row) { rows.push_back(row); });
    return rows;
}

} // namespace qmk
