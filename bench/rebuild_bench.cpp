// Whole-file rebuilds on the largest command files: deleteCommands of one command and an export of
// every command of a 60,000-command file, each against copying the file once in the same round;
// and the memory each takes beyond what the process held, against the file's size.
#include "bench_support.h"
#include "store/statements.h"
#include "test_home.h"
#include "writer/export_dat.h"
#include "writer/rebuilds.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qmk;
using namespace qmk::bench;

namespace {

long residentKilobytes() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Runs `work` in a child process; returns the peak memory it added, in bytes.
double extraMemory(const std::function<void()>& work) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        const long base = residentKilobytes();
        work();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const double extra = static_cast<double>(usage.ru_maxrss - base) * 1024.0;
        if (write(pipeFds[1], &extra, sizeof extra) != sizeof extra)
            _exit(1);
        _exit(0);
    }
    double extra = -1;
    if (read(pipeFds[0], &extra, sizeof extra) != sizeof extra)
        extra = -1;
    waitpid(child, nullptr, 0);
    close(pipeFds[0]);
    close(pipeFds[1]);
    return extra;
}

} // namespace

int main(int argc, char** argv) {
    return onLargeFile(argc, argv, [](LargeCommandFile& large, bool check) {
        auto& [home, path, parsed, trace, files, engine] = large;
        const double size = static_cast<double>(std::filesystem::file_size(path));
        auto& store = home.store();

        int victim = 0;
        Selection victimRow;
        // Choosing the victim is the tools dialog's step, before the rebuild starts.
        auto chooseVictim = [&] {
            victimRow = testing::rowsWhere(store, "name = 'command number " +
                                                      std::to_string(victim++) + "'");
        };
        // The memory runs use an engine of their own, so that nothing is reused from earlier runs.
        auto deleteWith = [&](UpdateEngine& on) {
            chooseVictim();
            if (!deleteCommands(on, victimRow).done())
                std::abort();
        };
        auto fresh = [&] {
            return UpdateEngine(EngineContext{home.home(), store, trace, files, path});
        };
        auto copyOnce = [&] { plainCopy(path, home.path("copy")); };
        const auto remove = paired(
            9, copyOnce,
            [&] {
                if (!deleteCommands(engine, victimRow).done())
                    std::abort();
            },
            chooseVictim);
        if (!home.parse(path, true).ok())
            return 2;
        const double removeMemory = extraMemory([&] {
            auto own = fresh();
            deleteWith(own);
        });
        if (!home.parse(path, true).ok()) // the child changed the file
            return 2;

        const auto target = home.path("export.dat");
        // Choosing the rows is the tools dialog's step, before the export starts.
        const auto commands = statements::selectCommands(store);
        auto exportWith = [&](UpdateEngine& on) {
            std::filesystem::remove(target);
            if (!exportCommands(on, commands, target, ExportMode::NewFile, {}).result.done())
                std::abort();
        };
        const auto exported = paired(9, copyOnce, [&] { exportWith(engine); });
        const double exportMemory = extraMemory([&] {
            auto own = fresh();
            exportWith(own);
        });

        std::printf(
            "file: %.1f MB; medians of 9 rounds, each timing one copy of the file and then the "
            "work\n",
            size / 1e6);
        std::printf(
            "deleteCommands, one command: %6.1f ms   %5.2f x copy (target <= 5; copy %.1f ms)\n",
            remove.work * 1e3, remove.ratio, remove.baseline * 1e3);
        std::printf(
            "export of every command:   %8.1f ms   %5.2f x copy (target <= 3; copy %.1f ms)\n",
            exported.work * 1e3, exported.ratio, exported.baseline * 1e3);
        std::printf("memory, deleteCommands:    %8.1f MB   %5.2f x file\n", removeMemory / 1e6,
                    removeMemory / size);
        std::printf("memory, export:            %8.1f MB   %5.2f x file\n", exportMemory / 1e6,
                    exportMemory / size);
        const bool met = remove.ratio <= 5 && exported.ratio <= 3 && removeMemory / size <= 4 &&
                         exportMemory / size <= 4;
        std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
        return check && !met ? 1 : 0;
    });
}
