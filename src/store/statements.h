#pragma once

#include "store/database.h"
#include "store/selection.h"
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

// The rows an operation may be given: every row, every row but the LISTs, one Program and
// Scope (optionally narrowed to one Group), a Group, a Program.
Selection selectAll(Database& db);
Selection selectCommands(Database& db);
Selection selectProgramScope(Database& db, const std::string& program, const std::string& scope,
                             const std::optional<std::string>& group = std::nullopt);
Selection selectGroup(Database& db, const std::string& group);
Selection selectProgram(Database& db, const std::string& program);
// The first row named `name` in a Program and Scope.
std::optional<std::int64_t> firstNamed(Database& db, const std::string& program,
                                       const std::string& scope, const std::string& name);
// The commands (LISTs aside) named `name` in a Program and Scope.
Selection selectCommandsNamed(Database& db, const std::string& program, const std::string& scope,
                              const std::string& name);
std::int64_t clearNoGlobals(Database& db);

// The selected command records of the file, as (ID, offset) in file order: the records before
// the lists section at `listsAt`.
struct SelectedRecord {
    std::int64_t id = 0;
    std::uint32_t offset = 0;
};
std::vector<SelectedRecord> recordsInFileOrder(Database& db, const Selection& selection,
                                               std::int64_t listsAt);

// The record positions of the selected commands (LISTs aside) of the file.
std::vector<std::uint32_t> commandOffsets(Database& db, const Selection& selection);
// The record position of the global master LIST named `name`; 0 when the file holds none.
std::int64_t globalListOffset(Database& db, const std::string& name);
// The `ID` of the global master LIST named `name`.
std::optional<std::int64_t> globalListId(Database& db, const std::string& name);
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

// Every selected row, with every column, until `visit` returns false.
void forEachRow(Database& db, const Selection& selection,
                const std::function<bool(const UserRow&)>& visit);
// Every selected row, with every column: Global Commands first, then by Program and Scope, then
// by name (the lists' order) or commands before LISTs by name (a DVC listing's order).
enum class RowOrder { Names, Listing };
std::vector<UserRow> rowsOf(Database& db, const Selection& selection, RowOrder order);
// The part of a selection search and replace reads: scripts, KEYS, Advanced Scripts and LISTs,
// a LIST copy standing for its master LIST, which alone is a record of the file.
Selection searchablePart(Database& db, const Selection& selection);
// The selected rows from `fromId` on, in `ID` order: ID, name and body, until `visit` returns
// false. The texts last only for the visit.
void forEachBody(Database& db, const Selection& selection, std::int64_t fromId,
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
