#pragma once

#include <chrono>
#include <concepts>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace qmk {

// A failure the database engine reported: its extended error number and description.
class StoreError : public std::runtime_error {
public:
    StoreError(int code, const std::string& description)
        : std::runtime_error(description), code_(code) {}
    int code() const { return code_; }
    // The store's file itself is damaged or is no database at all (not busy, not full).
    bool damaged() const;

private:
    int code_;
};

// How long a run waits for another run that holds the store.
inline constexpr std::chrono::milliseconds kBusyWait{20000};

class Statement;

// One open SQLite database. Statements are always prepared and bound, never built from user text.
class Database {
public:
    explicit Database(const std::filesystem::path& file); // ":memory:" for a private store
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Runs fixed SQL with no parameters; returns the rows it touched.
    std::int64_t exec(std::string_view sql);
    Statement prepare(std::string_view sql);
    std::int64_t lastInsertId() const;
    std::int64_t changes() const;
    sqlite3* handle() const { return db_; }
    // Whether a statement on this connection is part way through its rows.
    bool readingRows() const;

    [[noreturn]] void fail() const;

private:
    sqlite3* db_ = nullptr;
};

// Many rows in one transaction: committed by commit(), rolled back when left otherwise.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Database& db_;
    bool open_ = true;
};

class Statement {
public:
    Statement(Database& db, std::string_view sql);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    Statement& operator=(Statement&&) = delete;

    // Parameters are numbered from 1, as SQLite numbers them.
    Statement& bind(int index, std::string_view text);
    template <std::integral T> Statement& bind(int index, T value) {
        if constexpr (std::is_same_v<T, bool>)
            return bindInteger(index, value ? 1 : 0);
        else
            return bindInteger(index, static_cast<std::int64_t>(value));
    }
    Statement& bindNull(int index);

    // Steps once: true while a row is ready.
    bool step();
    // Runs a statement that returns no rows; returns the rows it touched.
    std::int64_t run();
    void reset();

    std::int64_t integer(int column) const;
    std::string text(int column) const;
    // The column's text in place: valid until the next step, reset or read of that column.
    std::string_view view(int column) const;
    bool isNull(int column) const;

private:
    Statement& bindInteger(int index, std::int64_t value);

    Database* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

} // namespace qmk
