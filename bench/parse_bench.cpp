// Parse speed on the largest command files: a 60,000-command file parsed whole, against a bare
// insert of the same rows into the same schema in the same run, and the unchanged-file path.
#include "command_file_builder.h"
#include "store/statements.h"
#include "store/user_rows.h"
#include "test_home.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>

using namespace qmk;
using Clock = std::chrono::steady_clock;

namespace {

std::string largeFile(int commands, int lists) {
    fixture::CommandFileBuilder file(7, 9);
    for (int i = 0; i < commands; ++i) {
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

double bestOf(int runs, const std::function<void()>& work) {
    double best = 1e30;
    for (int r = 0; r < runs; ++r) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    const bool check = argc > 1 && std::strcmp(argv[1], "--check") == 0;
    constexpr int kCommands = 60000;
    testing::TestHome home;
    const auto path = home.writeFile("mycmds.dat", largeFile(kCommands, 500));

    const double parse = bestOf(5, [&] {
        if (!home.parse(path, true).ok())
            std::abort();
    });
    const auto rows = home.rows();

    const auto bareFile = home.path("bare.mdb");
    const double bare = bestOf(5, [&] {
        std::filesystem::remove(bareFile);
        auto db = openCommandStore(bareFile);
        UserTable table(*db);
        Transaction transaction(*db);
        for (const auto& row : rows)
            table.add(row);
        transaction.commit();
    });

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
