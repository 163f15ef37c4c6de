#include "store/schema.h"

#include <string>

namespace qmk {

namespace {

const char* const kUserIndexes[] = {
    R"(CREATE INDEX IF NOT EXISTS "program" ON user (program, scope, name))",
    R"(CREATE INDEX IF NOT EXISTS "name" ON user (globalsort, program, scope, name))",
    R"(CREATE INDEX IF NOT EXISTS "scope" ON user (scope))",
    // Operations are handed their rows as a value and no longer mark them in `flag`; the column
    // and this (now empty) index stay, as stores made earlier and `list` output carry them.
    R"(CREATE INDEX IF NOT EXISTS marked ON user (flag) WHERE flag = 1)",
    // Only the LISTs: where the LISTs begin in insertion order is found without a scan.
    R"(CREATE INDEX IF NOT EXISTS lists ON user (ID) WHERE type = 'L')",
};

const char* const kUserIndexNames[] = {"program", "name", "scope", "marked", "lists"};

const char* const kCreateStatements[] = {
    // Widths count characters; SQLite's length() stops at a NUL, so a text holding one is measured
    // in bytes (never fewer than its characters).
    R"(CREATE TABLE IF NOT EXISTS user (
        ID INTEGER PRIMARY KEY AUTOINCREMENT,
        filename TEXT NOT NULL DEFAULT '',
        program TEXT NOT NULL DEFAULT '' CONSTRAINT program_width
            CHECK (length(program) <= 20 AND (instr(CAST(program AS BLOB), x'00') = 0 OR
                   length(CAST(program AS BLOB)) <= 20)),
        scope TEXT NOT NULL DEFAULT '' CONSTRAINT scope_width
            CHECK (length(scope) <= 100 AND (instr(CAST(scope AS BLOB), x'00') = 0 OR
                   length(CAST(scope AS BLOB)) <= 100)),
        name TEXT NOT NULL DEFAULT '' CONSTRAINT name_width
            CHECK (length(name) <= 150 AND (instr(CAST(name AS BLOB), x'00') = 0 OR
                   length(CAST(name AS BLOB)) <= 150)),
        type TEXT NOT NULL DEFAULT '',
        script TEXT NOT NULL DEFAULT '',
        availability TEXT NOT NULL DEFAULT '',
        group_name TEXT NOT NULL DEFAULT '' CONSTRAINT group_name_width
            CHECK (length(group_name) <= 50 AND (instr(CAST(group_name AS BLOB), x'00') = 0 OR
                   length(CAST(group_name AS BLOB)) <= 50)),
        lists INTEGER NOT NULL DEFAULT 0,
        description TEXT NOT NULL DEFAULT ''
            CONSTRAINT description_width CHECK (length(description) <= 150 AND (instr(CAST(description AS BLOB), x'00') = 0 OR
                   length(CAST(description AS BLOB)) <= 150)),
        states TEXT NOT NULL DEFAULT '',
        graphicsize INTEGER NOT NULL DEFAULT 0,
        Global INTEGER NOT NULL DEFAULT 0,
        noglobals INTEGER NOT NULL DEFAULT 0,
        sleeping INTEGER NOT NULL DEFAULT 0,
        singleline INTEGER NOT NULL DEFAULT 0,
        globalsort TEXT NOT NULL DEFAULT '',
        listsort TEXT NOT NULL DEFAULT '',
        pathcode TEXT NOT NULL DEFAULT '',
        dupe INTEGER NOT NULL DEFAULT 0,
        description_length INTEGER NOT NULL DEFAULT 0,
        company_name_length INTEGER NOT NULL DEFAULT 0,
        class_name_length INTEGER NOT NULL DEFAULT 0,
        encrypted INTEGER NOT NULL DEFAULT 0,
        listcopy INTEGER NOT NULL DEFAULT 0,
        flag INTEGER NOT NULL DEFAULT 0))",
    // The positions of each row's record in the command file. They live apart from the wide rows
    // so that the shift after an edit rewrites three numbers per row, not the whole row.
    R"(CREATE TABLE IF NOT EXISTS positions (
        ID INTEGER PRIMARY KEY,
        offset INTEGER NOT NULL DEFAULT 0,
        offsetbody INTEGER NOT NULL DEFAULT 0,
        filerecord INTEGER NOT NULL DEFAULT 1))",
    R"(CREATE TABLE IF NOT EXISTS parameters (
        mycmdstime TEXT,
        mycmdsfile TEXT,
        OffsetLists INTEGER NOT NULL DEFAULT 0,
        lastdvcID INTEGER NOT NULL DEFAULT 0,
        UserName TEXT NOT NULL DEFAULT ' ',
        UserSub TEXT NOT NULL DEFAULT ' ',
        language TEXT NOT NULL DEFAULT ' ',
        lastmode TEXT NOT NULL DEFAULT 'app',
        parsed INTEGER NOT NULL DEFAULT 0,
        dvcmaptime TEXT,
        exportPath TEXT,
        openfile TEXT))",
    R"(INSERT INTO parameters (OffsetLists)
        SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM parameters))",
    R"(CREATE TABLE IF NOT EXISTS states (
        ID INTEGER PRIMARY KEY AUTOINCREMENT,
        appname TEXT NOT NULL DEFAULT '',
        statename TEXT NOT NULL DEFAULT ''))",
    R"(CREATE INDEX IF NOT EXISTS apps ON states (appname, statename))",
    R"(CREATE TABLE IF NOT EXISTS dvcmap (
        ID INTEGER PRIMARY KEY AUTOINCREMENT,
        keys TEXT NOT NULL DEFAULT '',
        script TEXT NOT NULL DEFAULT ''))",
};

} // namespace

void configureConnection(Database& db) {
    // One writer, one thread; a parse commits once, so a full sync per commit costs little.
    db.exec("PRAGMA journal_mode = WAL");
    db.exec("PRAGMA synchronous = NORMAL");
    db.exec("PRAGMA cache_size = -65536"); // 64 MiB: a 60,000-command store stays in memory
    db.exec("PRAGMA foreign_keys = OFF");
    // Reads map the store instead of copying each page into the cache.
    db.exec("PRAGMA mmap_size = 1073741824");
}

BulkLoad::BulkLoad(Database& db) : db_(db) {
    db_.exec("PRAGMA synchronous = OFF");
    db_.exec("PRAGMA temp_store = MEMORY");
}

BulkLoad::~BulkLoad() {
    try {
        db_.exec("PRAGMA synchronous = NORMAL");
    } catch (const StoreError&) {
        // The setting belongs to this connection only; the next one starts with NORMAL again.
    }
}

bool dropUserIndexes(Database& db) {
    // A table that a statement is still reading cannot lose an index: the rows then go in with
    // the indexes kept.
    if (db.readingRows())
        return false;
    for (const char* name : kUserIndexNames)
        db.exec(std::string("DROP INDEX IF EXISTS \"") + name + "\"");
    return true;
}

void createUserIndexes(Database& db) {
    for (const char* sql : kUserIndexes)
        db.exec(sql);
}

void ensureSchema(Database& db) {
    auto version = db.prepare("PRAGMA user_version");
    version.step();
    const auto current = version.integer(0);
    version.reset();
    if (current == kSchemaVersion)
        return;
    if (current > kSchemaVersion)
        throw StoreError(0, "The store was written by a newer Quillmark10 (schema " +
                                std::to_string(current) + ")");
    Transaction transaction(db);
    // An older store is a cache of its command file: its rows are dropped and the next start
    // parses the file again.
    if (current != 0) {
        for (const char* table : {"user", "positions", "states", "dvcmap"})
            db.exec(std::string("DROP TABLE IF EXISTS ") + table);
        db.exec("UPDATE parameters SET mycmdstime = NULL");
    }
    for (const char* sql : kCreateStatements)
        db.exec(sql);
    createUserIndexes(db);
    db.exec("PRAGMA user_version = " + std::to_string(kSchemaVersion));
    transaction.commit();
}

} // namespace qmk
