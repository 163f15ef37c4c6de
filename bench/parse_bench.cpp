// Parse speed on the largest command files: a 60,000-command file parsed whole, against a bare
// insert of the same rows into the same schema in the same run, and the unchanged-file path.
#include "bench_support.h"
#include "store/statements.h"
#include "store/user_rows.h"
#include "test_home.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>

using namespace qmk;
using namespace qmk::bench;

int main(int argc, char** argv) {
    const bool check = checkRequested(argc, argv);
    constexpr int kCommands = 60000;
    testing::TestHome home;
    const auto path = home.writeFile("mycmds.dat", largeFile(kCommands, 500));

    const double parse = bestOf(5, [&] {
        if (!home.parse(path, true).ok())
            std::abort();
    });
    const auto rows = home.rows();

    const auto bareFile = home.path("bare.mdb");
    const double bare = bestOf(5, [&] { bareInsert(rows, bareFile); });

    const double unchanged = bestOf(5, [&] {
        if (home.parse(path).status != ParseStatus::Current)
            std::abort();
    });

    const double ratio = parse / bare;
    std::printf("file: %d commands, %zu rows, %.1f MB\n", kCommands, rows.size(),
                static_cast<double>(std::filesystem::file_size(path)) / 1e6);
    std::printf("full parse:          %8.1f ms   (target < 2000 ms)\n", parse * 1e3);
    std::printf("bare SQLite insert:  %8.1f ms\n", bare * 1e3);
    std::printf("parse / bare insert: %8.2f      (target <= 1.5)\n", ratio);
    std::printf("unchanged file:      %8.1f ms   (target < 50 ms)\n", unchanged * 1e3);
    const bool met = parse < 2.0 && ratio <= 1.5 && unchanged < 0.05;
    std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
    return check && !met ? 1 : 0;
}
