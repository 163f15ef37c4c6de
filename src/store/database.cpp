#include "store/database.h"

#include "common/utf8_path.h"

#include <cerrno>
#include <sqlite3.h>

namespace qmk {

namespace {

// SQLite says "disk I/O error" or "database or disk is full": the user is told which file and
// why.
std::string describe(sqlite3* db, int code) {
    const std::string message = sqlite3_errmsg(db);
    const char* named = sqlite3_db_filename(db, "main");
    const std::string file = named && *named ? named : "the command store";
    if ((code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED)
        return file + " is in use by another run of Quillmark10 that did not finish within " +
               std::to_string(kBusyWait.count() / 1000) + " seconds (" + message +
               "); try again when it has ended";
    const bool full = (code & 0xff) == SQLITE_FULL || sqlite3_system_errno(db) == ENOSPC;
    if (!full)
        return message;
    return "the disk is full: " + file + " could not be written (" + message +
           "); free some space and try again";
}

} // namespace

bool StoreError::damaged() const {
    const int primary = code_ & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

Database::Database(const std::filesystem::path& file) {
    const int rc =
        sqlite3_open_v2(utf8Of(file).c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const std::string description = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw StoreError(rc, description);
    }
    sqlite3_extended_result_codes(db_, 1);
    // Two runs sharing one program directory take turns at the store instead of failing.
    sqlite3_busy_timeout(db_, static_cast<int>(kBusyWait.count()));
}

Database::~Database() {
    sqlite3_close(db_);
}

void Database::fail() const {
    const int code = sqlite3_extended_errcode(db_);
    throw StoreError(code, describe(db_, code));
}

std::int64_t Database::exec(std::string_view sql) {
    return prepare(sql).run();
}

Statement Database::prepare(std::string_view sql) {
    return Statement(*this, sql);
}

std::int64_t Database::lastInsertId() const {
    return sqlite3_last_insert_rowid(db_);
}

bool Database::readingRows() const {
    for (auto* stmt = sqlite3_next_stmt(db_, nullptr); stmt; stmt = sqlite3_next_stmt(db_, stmt))
        if (sqlite3_stmt_busy(stmt))
            return true;
    return false;
}

std::int64_t Database::changes() const {
    return sqlite3_changes64(db_);
}

Transaction::Transaction(Database& db) : db_(db) {
    // Writing from the start: a transaction that only later asks to write could not wait for
    // another run's, and would fail at once.
    db_.exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (open_)
        sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit() {
    db_.exec("COMMIT");
    open_ = false;
}

Statement::Statement(Database& db, std::string_view sql) : db_(&db) {
    if (sqlite3_prepare_v2(db.handle(), sql.data(), static_cast<int>(sql.size()), &stmt_,
                           nullptr) != SQLITE_OK)
        db.fail();
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement::Statement(Statement&& other) noexcept : db_(other.db_), stmt_(other.stmt_) {
    other.stmt_ = nullptr;
}

Statement& Statement::bind(int index, std::string_view text) {
    if (sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK)
        db_->fail();
    return *this;
}

Statement& Statement::bindInteger(int index, std::int64_t value) {
    if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK)
        db_->fail();
    return *this;
}

Statement& Statement::bindNull(int index) {
    if (sqlite3_bind_null(stmt_, index) != SQLITE_OK)
        db_->fail();
    return *this;
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    // Reset so the statement can be used again after a refused row.
    const int code = sqlite3_extended_errcode(db_->handle());
    const std::string description = describe(db_->handle(), code);
    sqlite3_reset(stmt_);
    throw StoreError(code, description);
}

std::int64_t Statement::run() {
    while (step()) {
    }
    const auto touched = db_->changes();
    reset();
    return touched;
}

void Statement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

std::int64_t Statement::integer(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

std::string Statement::text(int column) const {
    return std::string(view(column));
}

std::string_view Statement::view(int column) const {
    const auto* bytes = sqlite3_column_text(stmt_, column);
    if (!bytes)
        return {};
    return {reinterpret_cast<const char*>(bytes),
            static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column))};
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

} // namespace qmk
