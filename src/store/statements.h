#pragma once

#include "store/database.h"
#include "store/user_row.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmk {

// Opens (creating when asked) the command store and brings its schema up to date.
std::unique_ptr<Database> openCommandStore(const std::filesystem::path& file);

// The store's fixed statements. Each returns the number of rows it touched, as the callers
// count with them; texts from the user are always bound, never joined into the SQL.
namespace statements {

std::int64_t deleteFileRows(Database& db); // rows with offset 0 survive a re-parse
std::int64_t deleteStates(Database& db);
// Empties `user`, `dvcmap` and `states`.
void emptyTables(Database& db);

std::int64_t countCommands(Database& db);
std::int64_t countLists(Database& db);
std::int64_t countMarked(Database& db);

std::int64_t clearFlags(Database& db);
std::int64_t flagAll(Database& db);
std::int64_t flagCommands(Database& db);
// One Program and Scope, optionally narrowed to one Group.
std::int64_t flagProgramScope(Database& db, const std::string& program, const std::string& scope,
                              const std::optional<std::string>& group = std::nullopt);
std::int64_t clearNoGlobals(Database& db);

// The `ID`s of the marked rows: Global Commands first, then by Program, Scope, commands before
// LISTs, name.
std::vector<std::int64_t> flaggedInOrder(Database& db);

// The marked command records of the file, as (ID, offset) in file order: the records before
// the lists section at `listsAt` whose rows carry the selection mark.
struct MarkedRecord {
    std::int64_t id = 0;
    std::uint32_t offset = 0;
};
std::vector<MarkedRecord> markedRecordsInFileOrder(Database& db, std::int64_t listsAt);

// The record positions of the marked commands of the file.
std::vector<std::uint32_t> markedCommandOffsets(Database& db);
// The record position of the global master LIST named `name`; 0 when the file holds none.
std::int64_t globalListOffset(Database& db, const std::string& name);
// The `ID` of the global master LIST named `name`.
std::optional<std::int64_t> globalListId(Database& db, const std::string& name);
// Marks the commands named `name` in a Program and Scope; the number marked.
std::int64_t flagCommandsNamed(Database& db, const std::string& program, const std::string& scope,
                               const std::string& name);
// The commands (LISTs aside) of everything, of a Program, of a Group, of a Program and Scope.
std::int64_t countCommandsOfProgram(Database& db, const std::string& program);
std::int64_t countCommandsOfGroup(Database& db, const std::string& group);
std::int64_t countCommandsOfScope(Database& db, const std::string& program,
                                  const std::string& scope);
// A state's row, for the parse; prepared once for the whole file.
Statement prepareAddState(Database& db);
// Moves by `delta` every record position of the file (and the lists section's) past `from`, or
// at it when `inclusive`, in one pass over the rows.
void shiftPositions(Database& db, std::uint32_t from, std::int64_t delta, bool inclusive);
// A row's record and body positions.
struct RowPositions {
    std::int64_t id = 0;
    std::int64_t offset = 0;
    std::int64_t offsetbody = 0;
};
// The file's rows with a position past `from`.
std::vector<RowPositions> positionsAfter(Database& db, std::uint32_t from);
// Stores the rows' new positions.
void setPositions(Database& db, const std::vector<RowPositions>& rows);
void setBodyPosition(Database& db, std::int64_t id, std::int64_t offsetbody);
void setListsPosition(Database& db, std::int64_t offsetLists);

// A compact copy of the store written to `file`.
void vacuumInto(Database& db, const std::filesystem::path& file);

// Marks one row; clears one row's mark.
void flagRow(Database& db, std::int64_t id);
void unflagRow(Database& db, std::int64_t id);
// Marks the rows of a Group, of a Program.
std::int64_t flagGroup(Database& db, const std::string& group);
std::int64_t flagProgram(Database& db, const std::string& program);
// Marks the first row named `name` in a Program and Scope.
void flagNamed(Database& db, const std::string& program, const std::string& scope,
               const std::string& name);
// Every marked row, with every column, until `visit` returns false.
void forEachMarkedRow(Database& db, const std::function<bool(const UserRow&)>& visit);
// Every marked row, with every column: Global Commands first, then by Program and Scope, then
// by name (the lists' order) or commands before LISTs by name (a DVC listing's order).
enum class MarkedOrder { Names, Listing };
std::vector<UserRow> markedRows(Database& db, MarkedOrder order);
// Narrows the marks to the rows search and replace reads: scripts, KEYS, Advanced Scripts and
// LISTs, a LIST copy standing for its master LIST, which alone is a record of the file.
void narrowMarksToSearchable(Database& db);
// The marked rows from `fromId` on, in `ID` order: ID, name and body, until `visit` returns
// false. The texts last only for the visit.
void forEachMarkedBody(Database& db, std::int64_t fromId,
                       const std::function<bool(std::int64_t id, std::string_view name,
                                                std::string_view body)>& visit);
// A row's body; the statement is prepared once for many rows.
class BodyUpdate {
public:
    explicit BodyUpdate(Database& db);
    void operator()(std::int64_t id, const std::string& body);

private:
    Statement update_;
};
// The row's Group.
void setGroup(Database& db, std::int64_t id, const std::string& group);
// Empties `user`, `positions` and `dvcmap`: a new user's rows are read afresh.
void emptyUserRows(Database& db);

} // namespace statements
} // namespace qmk
