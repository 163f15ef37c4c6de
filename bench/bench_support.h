#pragma once

// Large command files and a timer shared by the benchmarks.
#include "command_file_builder.h"
#include "common/file_io.h"
#include "store/statements.h"
#include "store/user_rows.h"
#include "test_home.h"
#include "writer/update_engine.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace qmk::bench {

using Clock = std::chrono::steady_clock;

// A 10.x file of `commands` commands of every kind and `lists` LISTs; the first `oneScope` of the
// commands are KEYS commands of one Program, "bigprog", all in its application-wide Scope.
inline std::string largeFile(int commands, int lists, int oneScope = 0) {
    fixture::CommandFileBuilder file(7, 9);
    for (int i = commands - oneScope; i < commands; ++i)
        file.command("scope command " + std::to_string(i))
            .application("bigprog")
            .keys("{Alt+" + std::to_string(i) + "}");
    for (int i = 0; i < commands - oneScope; ++i) {
        const auto n = std::to_string(i);
        auto& c = file.command("command number " + n);
        c.description("description of " + n).group(i % 7 ? "Group " + std::to_string(i % 40) : "");
        switch (i % 6) {
        case 0:
            c.keys("{Ctrl+" + n + "}");
            break;
        case 1:
            c.application("prog" + std::to_string(i % 90))
                .states({"Edit", "View"})
                .script("SendKeys \"" + n + "\"");
            break;
        case 2:
            c.window("prog" + std::to_string(i % 90), "Window " + std::to_string(i % 300))
                .advanced("Sub Main\r\n  SendKeys \"{Enter}\"\r\nEnd Sub");
            break;
        case 3:
            c.plainText("Dear " + n + ",\r\nThank you for your letter.");
            break;
        case 4:
            c.steps({fixture::Step::press(65, 1), fixture::Step::wait(100),
                     fixture::Step::type("hello")});
            break;
        default:
            c.recorder({fixture::RecorderEvent::key(65, 0), fixture::RecorderEvent::key(65, 128),
                        fixture::RecorderEvent::mouse(0, 10, 20)});
            break;
        }
    }
    for (int i = 0; i < lists; ++i)
        file.list("list " + std::to_string(i), {"one", "two", "three"});
    return file.build();
}

// The baseline of the file benchmarks: the file read whole and written once, flushed to disk.
inline void plainCopy(const std::filesystem::path& from, const std::filesystem::path& to) {
    const auto bytes = readWholeFile(from);
    if (!bytes)
        std::abort();
    FileOps::system().writeFile(to, *bytes);
}

inline double seconds(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

inline double bestOf(int runs, const std::function<void()>& work) {
    double best = 1e30;
    for (int r = 0; r < runs; ++r)
        best = std::min(best, seconds(work));
    return best;
}

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A piece of work timed against its baseline, each round running both back to back, so that a
// slow spell of a shared machine slows both sides of a ratio alike.
struct Paired {
    double work = 0;     // seconds, median
    double baseline = 0; // seconds, median
    double ratio = 0;    // median of the rounds' ratios
};

inline Paired paired(
    int rounds, const std::function<void()>& baseline, const std::function<void()>& work,
    const std::function<void()>& prepare = [] {}) {
    std::vector<double> works, baselines, ratios;
    for (int r = 0; r < rounds; ++r) {
        baselines.push_back(seconds(baseline));
        prepare(); // untimed: what must be in place before each run of the work
        works.push_back(seconds(work));
        ratios.push_back(works.back() / baselines.back());
    }
    return {median(works), median(baselines), median(ratios)};
}

// The baseline of the parse: the same rows inserted into a fresh store of the same schema.
inline void bareInsert(const std::vector<UserRow>& rows, const std::filesystem::path& file) {
    std::filesystem::remove(file);
    auto db = openCommandStore(file);
    UserTable table(*db);
    Transaction transaction(*db);
    for (const auto& row : rows)
        table.add(row);
    transaction.commit();
}

// Whether the benchmark was asked to check its targets (--check): it then exits 1 on a miss.
inline bool checkRequested(int argc, char** argv) {
    return argc > 1 && std::string_view(argv[1]) == "--check";
}

// A parsed 60,000-command file in a fresh program directory, with an update engine on it.
struct LargeCommandFile {
    testing::TestHome home;
    std::filesystem::path path = home.writeFile("mycmds.dat", largeFile(60000, 500));
    bool parsed = home.parse(path, true).ok();
    Trace trace;
    FileOps files;
    UpdateEngine engine{EngineContext{home.home(), home.store(), trace, files, path}};
};

// Runs a benchmark on the large file: `benchmark` is given the file and whether it checks its
// targets (--check), and returns the exit status. A file that does not parse exits 2.
inline int onLargeFile(int argc, char** argv,
                       const std::function<int(LargeCommandFile&, bool check)>& benchmark) {
    LargeCommandFile large;
    if (!large.parsed) {
        std::cerr << "the 60,000-command file did not parse\n";
        return 2;
    }
    return benchmark(large, checkRequested(argc, argv));
}

} // namespace qmk::bench
