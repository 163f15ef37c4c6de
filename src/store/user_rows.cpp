#include "store/user_rows.h"

#include "common/text.h"

#include <stdexcept>
#include <string>

namespace qmk {

void deriveColumns(UserRow& row) {
    row.globalsort = row.program == kGlobalCommands ? "G" : "N";
    row.listsort = row.type == ItemType::List ? "L" : "C";
    row.sleeping = row.scope == "Asleep";
    row.pathcode = "U";
}

namespace {

bool isPosition(std::string_view column) {
    return column == "offset" || column == "offsetbody";
}

// Every column but `ID` and the positions, as `user` stores them.
std::string storedColumns() {
    std::string list;
    for (std::size_t i = 1; i < kUserColumns.size(); ++i) {
        if (isPosition(kUserColumns[i].name))
            continue;
        list += list.empty() ? "" : ", ";
        list += kUserColumns[i].name;
    }
    return list;
}

std::string insertSql() {
    std::string sql = "INSERT INTO user (" + storedColumns() + ") VALUES (";
    for (std::size_t i = 3; i < kUserColumns.size(); ++i)
        sql += i == 3 ? "?" : ", ?";
    return sql + ")";
}

} // namespace

UserRow UserTable::rowFrom(const Statement& s) {
    UserRow r;
    int c = 0;
    r.id = s.integer(c++);
    r.filename = s.text(c++);
    r.program = s.text(c++);
    r.scope = s.text(c++);
    r.name = s.text(c++);
    r.type = itemTypeOfLetter(s.text(c++));
    r.script = s.text(c++);
    r.availability = s.text(c++);
    r.group = s.text(c++);
    r.lists = s.integer(c++);
    r.offset = s.integer(c++);
    r.offsetbody = s.integer(c++);
    r.description = s.text(c++);
    r.states = s.text(c++);
    r.graphicsize = s.integer(c++);
    r.global = s.integer(c++) != 0;
    r.noglobals = s.integer(c++) != 0;
    r.sleeping = s.integer(c++) != 0;
    r.singleline = s.integer(c++) != 0;
    r.globalsort = s.text(c++);
    r.listsort = s.text(c++);
    r.pathcode = s.text(c++);
    r.dupe = s.integer(c++) != 0;
    r.descriptionLength = s.integer(c++);
    r.companyNameLength = s.integer(c++);
    r.classNameLength = s.integer(c++);
    r.encrypted = s.integer(c++) != 0;
    r.listcopy = s.integer(c++) != 0;
    r.flag = s.integer(c++) != 0;
    return r;
}

int UserTable::columnOf(std::string_view name) {
    for (std::size_t i = 0; i < kUserColumns.size(); ++i)
        if (kUserColumns[i].name == name)
            return static_cast<int>(i);
    throw std::logic_error("no column " + std::string(name));
}

std::string UserTable::selectSql() {
    std::string list;
    for (const auto& column : kUserColumns) {
        list += list.empty() ? "" : ", ";
        list += isPosition(column.name) || column.name == "ID" ? "positions." : "user.";
        list += column.name;
    }
    return "SELECT " + list + " FROM user JOIN positions ON positions.ID = user.ID";
}

UserTable::UserTable(Database& db)
    : db_(db), insert_(db.prepare(insertSql())),
      insertPositions_(db.prepare(
          "INSERT INTO positions (ID, offset, offsetbody, filerecord) VALUES (?, ?, ?, ?)")),
      delete_(db.prepare("DELETE FROM user WHERE ID = ?")),
      deletePositions_(db.prepare("DELETE FROM positions WHERE ID = ?")) {}

std::int64_t UserTable::add(const UserRow& r) {
    Statement& s = insert_;
    s.bind(1, r.filename);
    s.bind(2, r.program);
    s.bind(3, r.scope);
    s.bind(4, r.name);
    s.bind(5, letterOf(r.type));
    s.bind(6, r.script);
    s.bind(7, r.availability);
    s.bind(8, r.group);
    s.bind(9, r.lists);
    s.bind(10, r.description);
    s.bind(11, r.states);
    s.bind(12, r.graphicsize);
    s.bind(13, r.global);
    s.bind(14, r.noglobals);
    s.bind(15, r.sleeping);
    s.bind(16, r.singleline);
    s.bind(17, r.globalsort);
    s.bind(18, r.listsort);
    s.bind(19, r.pathcode);
    s.bind(20, r.dupe);
    s.bind(21, r.descriptionLength);
    s.bind(22, r.companyNameLength);
    s.bind(23, r.classNameLength);
    s.bind(24, r.encrypted);
    s.bind(25, r.listcopy);
    s.bind(26, r.flag);
    insert_.run();
    const auto id = db_.lastInsertId();
    // LIST copies made for display are not records of the file: shifts pass them over.
    const bool fileRecord =
        !r.listcopy && !(r.type == ItemType::List && r.program != kGlobalCommands);
    insertPositions_.bind(1, id).bind(2, r.offset).bind(3, r.offsetbody).bind(4, fileRecord);
    insertPositions_.run();
    return id;
}

void UserTable::remove(std::int64_t id) {
    delete_.bind(1, id).run();
    deletePositions_.bind(1, id).run();
}

void UserTable::forEach(const std::function<void(const UserRow&)>& visit) {
    auto select = db_.prepare(selectSql() + " ORDER BY user.ID");
    while (select.step())
        visit(rowFrom(select));
}

void UserTable::forEachHeading(const std::function<void(const RowHeading&)>& visit) {
    // Only the narrow columns: the bodies, often in overflow pages, are never read.
    auto select = db_.prepare(
        "SELECT ID, type, program, scope, group_name, name, dupe FROM user ORDER BY ID");
    RowHeading heading;
    while (select.step()) {
        heading.id = select.integer(0);
        heading.type = itemTypeOfLetter(select.view(1));
        heading.program = select.view(2);
        heading.scope = select.view(3);
        heading.group = select.view(4);
        heading.name = select.view(5);
        heading.dupe = select.integer(6) != 0;
        visit(heading);
    }
}

std::optional<UserRow> UserTable::byId(std::int64_t id) {
    if (!selectById_)
        selectById_.emplace(db_.prepare(selectSql() + " WHERE user.ID = ?"));
    auto& select = *selectById_;
    select.bind(1, id);
    std::optional<UserRow> row;
    if (select.step())
        row = rowFrom(select);
    select.reset();
    return row;
}

std::vector<UserRow> UserTable::all() {
    std::vector<UserRow> rows;
    forEach([&](const UserRow& row) { rows.push_back(row); });
    return rows;
}

} // namespace qmk
