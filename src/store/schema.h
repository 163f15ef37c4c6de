#pragma once

#include "store/database.h"

namespace qmk {

// Store widths: a longer value cannot be stored.
inline constexpr int kProgramWidth = 20;
inline constexpr int kScopeWidth = 100;
inline constexpr int kNameWidth = 150;
inline constexpr int kDescriptionWidth = 150;
inline constexpr int kGroupWidth = 50;

inline constexpr int kSchemaVersion = 5;

// Creates the tables, indexes and the one `parameters` row when missing, and upgrades an older
// store, in one transaction. The `user` indexes are named as the operations select them:
// `program`, `name`, `scope`; `PrimaryKey` is the `ID` itself (the table's integer key), and `apps`
// indexes `states`. A row's `offset` and `offsetbody` are kept in `positions` under the same `ID`.
void ensureSchema(Database& db);

// The indexes of `user`. A full parse drops them before it adds its rows and builds them again
// after, in the same transaction: one sorted build costs far less than an insert per row. They
// stay, and dropUserIndexes says false, while a statement is part way through its rows.
bool dropUserIndexes(Database& db);
void createUserIndexes(Database& db);

// Connection settings every store connection uses.
void configureConnection(Database& db);

// While it lives, commits on `db` do not wait for the disk: for rebuilding the cache from the file.
class BulkLoad {
public:
    explicit BulkLoad(Database& db);
    ~BulkLoad();
    BulkLoad(const BulkLoad&) = delete;
    BulkLoad& operator=(const BulkLoad&) = delete;

private:
    Database& db_;
};

} // namespace qmk
