#pragma once

#include "store/database.h"
#include "store/user_row.h"

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace qmk {

// What a one-line listing shows of a row. The texts point into the statement's row and last
// only for the visit.
struct RowHeading {
    std::int64_t id = 0;
    ItemType type = ItemType::None;
    std::string_view program, scope, group, name;
    bool dupe = false;
};

// Row operations on `user` (and its `positions`) with statements prepared once.
class UserTable {
public:
    explicit UserTable(Database& db);

    // Adds the row as given (derived columns included) and returns its new `ID`.
    std::int64_t add(const UserRow& row);
    void remove(std::int64_t id);

    // Every row in `ID` order.
    void forEach(const std::function<void(const UserRow&)>& visit);
    std::vector<UserRow> all();
    void forEachHeading(const std::function<void(const RowHeading&)>& visit);
    std::optional<UserRow> byId(std::int64_t id);

    // "SELECT <every column> FROM user", for callers that add their own conditions; rowFrom
    // reads one result row of it.
    static std::string selectSql();
    static UserRow rowFrom(const Statement& select);
    // The column of selectSql() that holds a column of `user`, by its name.
    static int columnOf(std::string_view name);

private:
    Database& db_;
    Statement insert_;
    Statement insertPositions_;
    Statement delete_;
    Statement deletePositions_;
    std::optional<Statement> selectById_; // prepared on first use
};

} // namespace qmk
