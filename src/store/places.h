#pragma once

#include "store/database.h"
#include "store/selection.h"
#include "store/user_row.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Where the commands are: the Groups, Programs and Scopes of the store, the rows of one Program
// and Scope, and the first command of a place. Every text is bound, never joined into the SQL.
namespace qmk::places {

// A Program and Scope.
struct Place {
    std::string program;
    std::string scope;
    bool operator==(const Place&) const = default;
};

// A row's place in the order of the window's lists: Global Commands first, then by Program,
// Scope and name; `ID` parts rows of one name.
struct SortKey {
    std::string globalsort, program, scope, name;
    std::int64_t id = 0;
};

// The Groups of the commands (LISTs aside), in order.
std::vector<std::string> groups(Database& db);
// The Programs, of one Group when given, in the store's order.
std::vector<std::string> programs(Database& db, const std::optional<std::string>& group);
// The Scopes of `program`, of one Group when given.
std::vector<std::string> scopes(Database& db, const std::string& program,
                                const std::optional<std::string>& group);
bool programExists(Database& db, const std::string& program);
bool scopeExists(Database& db, const std::string& program, const std::string& scope);

// The first command of a Group in the lists' order.
std::optional<Place> firstPlaceOfGroup(Database& db, const std::string& group);
// The place of the first command record the file holds.
std::optional<Place> firstCommandPlace(Database& db);
// The first command whose Scope is at or after `scope`, through the index on Scope.
std::optional<Place> firstScopeFrom(Database& db, const std::string& scope);
// The first command of `program`'s "Application-specific" Scope or after it.
std::optional<Place> firstPlaceFromProgram(Database& db, const std::string& program);
// Every command's place in file order, until `visit` returns false.
void forEachCommandPlace(Database& db, const std::function<bool(const Place&)>& visit);

// The row named `name` in a Program and Scope, with every column.
std::optional<UserRow> findRow(Database& db, const std::string& program, const std::string& scope,
                               const std::string& name);
// The first command of a Program and Scope (LIST copies aside) in the lists' order.
std::optional<UserRow> firstCommandOf(Database& db, const std::string& program,
                                      const std::string& scope);
// The ID, name, Type and Group of a place's rows, by name.
std::vector<UserRow> headingsOf(Database& db, const std::string& program, const std::string& scope);
// The same of a place's commands (LISTs aside), in `ID` order.
std::vector<UserRow> commandHeadingsInFileOrder(Database& db, const std::string& program,
                                                const std::string& scope);
// The same of the global LISTs, in `ID` order.
std::vector<UserRow> globalListHeadings(Database& db);
// The names of the file's commands outside `except`.
std::vector<std::string> commandNamesOutside(Database& db, const Selection& except);
// The commands' places, names, Types and Groups, newest first, until `visit` returns false.
void forEachNewestCommand(Database& db, const std::function<bool(const UserRow&)>& visit);
// The names that match a LIKE `pattern` ("\" escapes), in `ID` order.
std::vector<std::string> namesLike(Database& db, const std::string& pattern);

// Every row in the lists' order, from just past `from` (forward) or just before it (back), or
// from the first row, until `visit` returns false. The visit reads the row's columns as
// UserTable::selectSql() lays them out, so that it can test one before reading the row whole.
void forEachInListOrder(Database& db, const std::optional<SortKey>& from, bool forward,
                        const std::function<bool(const Statement& row)>& visit);
// The sort key of the row named `name` in a place.
std::optional<SortKey> sortKeyOf(Database& db, const std::string& program, const std::string& scope,
                                 const std::string& name);
// The command that follows `after` in the lists' order.
std::optional<SortKey> nextCommandAfter(Database& db, const SortKey& after);

// Every state's name by its `ID`.
std::map<std::int64_t, std::string> stateNames(Database& db);
// The name of the state with `id`.
std::optional<std::string> stateName(Database& db, std::int64_t id);
// The bodies of the commands named `name` in a place.
std::vector<std::string> commandBodies(Database& db, const std::string& program,
                                       const std::string& scope, const std::string& name);

} // namespace qmk::places
