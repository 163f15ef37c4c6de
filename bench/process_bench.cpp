// qmk10 as a whole process on a 60,000-command file: a forced parse against Python's sqlite3
// module inserting the same rows, already decoded, into the same schema as fast as SQLite allows
// (no journal, no sync, indexes built after the rows), in paired rounds; and parse, info and
// list on the unchanged file.
//
//   qmk_process_bench QMK10 [--check] [--keep DIR]
#include "bench_support.h"
#include "platform/process.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sqlite3.h>
#include <string>
#include <vector>

using namespace qmk;
using namespace qmk::bench;

namespace fs = std::filesystem;

namespace {

// Runs a program with its output thrown away; aborts unless it ends with status 0.
void run(const std::vector<std::string>& arguments) {
    auto process = HiddenProcess::run(arguments, {"/dev/null", {}});
    if (!process) {
        std::fprintf(stderr, "cannot start %s\n", arguments[0].c_str());
        std::exit(2);
    }
    if (process->wait() != 0) {
        std::fprintf(stderr, "%s %s failed\n", arguments[0].c_str(),
                     arguments.size() > 1 ? arguments[1].c_str() : "");
        std::exit(2);
    }
}

// The Python baseline: reads every row of `user` and `positions` from the parsed store
// (untimed), then creates the same schema in a fresh file and inserts them in one transaction
// with executemany, the way a plain script would. It prints the seconds of that insert alone.
// "fastest" is the same insert with every safety off (no journal, no sync, indexes built after
// the rows): what SQLite itself needs for these rows, for comparison.
constexpr const char* kPythonInsert = R"PY(
import sqlite3, sys, time, os
source, target, fastest = sys.argv[1], sys.argv[2], sys.argv[3] == "fastest"
src = sqlite3.connect(source)
tables = [r[0] for r in src.execute("SELECT sql FROM sqlite_master WHERE type = 'table' AND "
                                   "sql IS NOT NULL AND name NOT LIKE 'sqlite_%'")]
indexes = [r[0] for r in src.execute("SELECT sql FROM sqlite_master WHERE type = 'index' AND "
                                     "sql IS NOT NULL")]
users = src.execute("SELECT * FROM user").fetchall()
positions = src.execute("SELECT * FROM positions").fetchall()
src.close()
start = time.perf_counter()
if os.path.exists(target):
    os.remove(target)
db = sqlite3.connect(target)
if fastest:
    db.execute("PRAGMA journal_mode = OFF")
    db.execute("PRAGMA synchronous = OFF")
for statement in tables + ([] if fastest else indexes):
    db.execute(statement)
db.commit()
db.execute("BEGIN")
db.executemany("INSERT INTO user VALUES (" + ",".join("?" * len(users[0])) + ")", users)
db.executemany("INSERT INTO positions VALUES (?,?,?,?)", positions)
for statement in indexes if fastest else []:
    db.execute(statement)
db.commit()
db.close()
print(time.perf_counter() - start)
)PY";

// The Python script's own measure of its insert, in seconds.
double pythonInsert(const std::string& script, const std::string& source, const std::string& target,
                    const char* mode = "plain") {
    const std::string command =
        "python3 '" + script + "' '" + source + "' '" + target + "' " + mode;
    FILE* pipe = popen(command.c_str(), "r");
    double seconds = 0;
    if (!pipe || std::fscanf(pipe, "%lf", &seconds) != 1 || pclose(pipe) != 0) {
        std::fprintf(stderr, "python3 with its sqlite3 module is needed for the baseline\n");
        std::exit(2);
    }
    return seconds;
}

// SQLite's own floor for these rows: the Python script's "fastest" insert done from C, with the
// rows read beforehand (untimed) and bound from memory. No process, no command file, no parse:
// what the engine alone needs to write them.
class FastestInsert {
public:
    explicit FastestInsert(const std::string& source) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(source.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        tables_ = column0(db, "SELECT sql FROM sqlite_master WHERE type = 'table' AND sql IS NOT "
                              "NULL AND name NOT LIKE 'sqlite_%'");
        indexes_ = column0(db, "SELECT sql FROM sqlite_master WHERE type = 'index' AND sql IS "
                               "NOT NULL");
        users_ = rows(db, "SELECT * FROM user");
        positions_ = rows(db, "SELECT * FROM positions");
        sqlite3_close(db);
    }

    double seconds(const std::string& target) const {
        fs::remove(target);
        return bench::seconds([&] {
            sqlite3* db = nullptr;
            sqlite3_open(target.c_str(), &db);
            sqlite3_exec(db, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF", nullptr,
                         nullptr, nullptr);
            for (const auto& sql : tables_)
                sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
            sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
            insert(db, "user", users_);
            insert(db, "positions", positions_);
            for (const auto& sql : indexes_)
                sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        });
    }

private:
    struct Value {
        int type = SQLITE_NULL;
        sqlite3_int64 number = 0;
        std::string text;
    };
    using Row = std::vector<Value>;

    static std::vector<std::string> column0(sqlite3* db, const char* sql) {
        std::vector<std::string> values;
        for (const auto& row : rows(db, sql))
            values.push_back(row[0].text);
        return values;
    }
    static std::vector<Row> rows(sqlite3* db, const char* sql) {
        sqlite3_stmt* select = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &select, nullptr);
        std::vector<Row> rows;
        while (sqlite3_step(select) == SQLITE_ROW) {
            Row& row = rows.emplace_back();
            for (int c = 0; c < sqlite3_column_count(select); ++c) {
                Value& value = row.emplace_back();
                value.type = sqlite3_column_type(select, c);
                if (value.type == SQLITE_INTEGER)
                    value.number = sqlite3_column_int64(select, c);
                else if (value.type != SQLITE_NULL)
                    value.text.assign(reinterpret_cast<const char*>(sqlite3_column_text(select, c)),
                                      static_cast<std::size_t>(sqlite3_column_bytes(select, c)));
            }
        }
        sqlite3_finalize(select);
        return rows;
    }
    static void insert(sqlite3* db, const std::string& table, const std::vector<Row>& rows) {
        if (rows.empty())
            return;
        std::string sql = "INSERT INTO " + table + " VALUES (?";
        for (std::size_t c = 1; c < rows[0].size(); ++c)
            sql += ",?";
        sql += ")";
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &insert, nullptr);
        for (const auto& row : rows) {
            int parameter = 0;
            for (const auto& value : row) {
                ++parameter;
                if (value.type == SQLITE_INTEGER)
                    sqlite3_bind_int64(insert, parameter, value.number);
                else if (value.type == SQLITE_NULL)
                    sqlite3_bind_null(insert, parameter);
                else
                    sqlite3_bind_text(insert, parameter, value.text.data(),
                                      static_cast<int>(value.text.size()), SQLITE_STATIC);
            }
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
    }

    std::vector<std::string> tables_, indexes_;
    std::vector<Row> users_, positions_;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: qmk_process_bench QMK10 [--check] [--keep DIR]\n");
        return 2;
    }
    const std::string qmk10 = argv[1];
    bool check = false;
    std::string keep;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--check") == 0)
            check = true;
        else if (std::strcmp(argv[i], "--keep") == 0 && i + 1 < argc)
            keep = argv[++i];
    }
    testing::TestHome home;
    const fs::path folder = keep.empty() ? home.path("process") : fs::path(keep);
    fs::create_directories(folder / "home");
    const auto file = folder / "mycmds.dat";
    FileOps::system().writeScratch(file, largeFile(60000, 500));
    const auto script = folder / "insert.py";
    FileOps::system().writeScratch(script, kPythonInsert);
    const std::string homeDir = (folder / "home").string();
    run({qmk10, "--home", homeDir, "init"});
    const std::vector<std::string> parse = {qmk10,   "--home",  homeDir,
                                            "parse", "--force", file.string()};
    run(parse);
    const auto store = (folder / "home" / "global10.mdb").string();
    const auto pythonStore = (folder / "python.mdb").string();

    // Each round times the baseline and the parse back to back: a busy machine slows both.
    const FastestInsert fromC(store);
    std::vector<double> parses, baselines, ratios, plain, floors;
    for (int round = 0; round < 5; ++round) {
        baselines.push_back(pythonInsert(script.string(), store, pythonStore, "fastest"));
        parses.push_back(seconds([&] { run(parse); }));
        ratios.push_back(parses.back() / baselines.back());
        plain.push_back(pythonInsert(script.string(), store, pythonStore) / baselines.back());
        floors.push_back(fromC.seconds(pythonStore) / baselines.back());
    }
    const Paired full{median(parses), median(baselines), median(ratios)};
    const auto unchanged = [&](const std::string& command) {
        run({qmk10, "--home", homeDir, command, file.string()});
        return bestOf(7, [&] { run({qmk10, "--home", homeDir, command, file.string()}); });
    };
    const double parseUnchanged = unchanged("parse");
    const double info = unchanged("info");
    const double list = unchanged("list");

    std::printf("qmk10 parse --force:    %8.1f ms  (python3's fastest insert %8.1f ms)\n",
                full.work * 1e3, full.baseline * 1e3);
    std::printf("parse / fastest insert: %8.2f     (target <= 1.5)\n", full.ratio);
    std::printf("  python3's plain insert (journal, sync, indexes kept) / fastest: %.2f\n",
                median(plain));
    std::printf("  the fastest insert of these rows from C / python3's fastest: %.2f\n",
                median(floors));
    std::printf("qmk10 parse, unchanged: %8.1f ms  (target < 50 ms)\n", parseUnchanged * 1e3);
    std::printf("qmk10 info, unchanged:  %8.1f ms  (target < 50 ms)\n", info * 1e3);
    std::printf("qmk10 list, unchanged:  %8.1f ms  (target < 50 ms)\n", list * 1e3);
    const bool met = full.ratio <= 1.5 && parseUnchanged < 0.05 && info < 0.05 && list < 0.05;
    std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
    return check && !met ? 1 : 0;
}
