// Editing speed on the largest command files: replaceBody of the first command of a
// 60,000-command file (every later position shifts) against copying that file twice in the same
// run; and the key-string conversion's throughput.
#include "actions/edit_rules.h"
#include "bench_support.h"
#include "test_home.h"
#include "writer/keys_to_script.h"
#include "writer/record_edits.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

using namespace qmk;
using namespace qmk::bench;

int main(int argc, char** argv) {
    return onLargeFile(argc, argv, [](LargeCommandFile& large, bool check) {
        auto& [home, path, parsed, trace, files, engine] = large;
        const std::string global = "Global Commands";

        int round = 0;
        const double edit = bestOf(5, [&] {
            const auto row = findRow(home.store(), global, global, "command number 0");
            const auto body =
                "{Ctrl+" + std::string(static_cast<std::size_t>(++round % 2 ? 300 : 3), 'x') + "}";
            if (!row || !replaceBody(engine, *row, body).done())
                std::abort();
        });
        const double copies = bestOf(5, [&] {
            plainCopy(path, home.path("copy1"));
            plainCopy(path, home.path("copy2"));
        });

        std::vector<std::string> keys;
        for (int i = 0; i < 10000; ++i)
            keys.push_back("Dear " + std::to_string(i) + "{tab}{Ctrl+Shift+exthome}{Alt+F4}\r\n" +
                           std::string(static_cast<std::size_t>(i % 300), 'k') + "{capslock}");
        std::size_t converted = 0;
        const double conversion = bestOf(3, [&] {
            converted = 0;
            for (const auto& k : keys)
                converted += keysToSendKeysScript(k).has_value();
        });

        // The longest bodies a command may hold: an unclosed brace repeated, the same closed, and
        // text full of characters SendKeys reads as keys. Each must convert in linear time.
        const std::size_t longest = 65534;
        auto repeated = [&](const std::string& unit) {
            std::string text;
            while (text.size() + unit.size() <= longest)
                text += unit;
            return text;
        };
        const std::string unclosed = repeated("{Ctrl+");
        const std::string closed = unclosed.substr(0, longest - 1) + "}";
        const std::string special = repeated("a + b 50% (x) ~{tab}");
        double worstLong = 0;
        for (const auto* body : {&unclosed, &closed, &special})
            worstLong = std::max(worstLong, bestOf(3, [&] { (void)keysToSendKeysScript(*body); }));

        const double ratio = edit / copies;
        std::printf("file: %.1f MB\n", static_cast<double>(std::filesystem::file_size(path)) / 1e6);
        std::printf("replaceBody, first command:  %8.1f ms\n", edit * 1e3);
        std::printf("copying the file twice:      %8.1f ms\n", copies * 1e3);
        std::printf("edit / two copies:           %8.2f      (target <= 3)\n", ratio);
        std::printf("keys2script, 10,000 strings: %8.1f ms   (%.0f strings/s, %zu converted)\n",
                    conversion * 1e3, 10000 / conversion, converted);
        std::printf("keys2script, 65,534 chars:   %8.1f ms   (target < 50, the worst of three)\n",
                    worstLong * 1e3);
        const bool met = ratio <= 3.0 && worstLong < 0.05;
        std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
        return check && !met ? 1 : 0;
    });
}
