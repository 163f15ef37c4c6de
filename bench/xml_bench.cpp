// The XML command format on the largest files: the export of every command of a 60,000-command
// file and the import of that XML into a new command file, each against a full parse of the
// same command file in the same round. Target: each under 2 s.
#include "actions/xml_actions.h"
#include "bench_support.h"
#include "store/statements.h"
#include "writer/xml_export.h"

#include <cstdio>
#include <filesystem>

using namespace qmk;
using namespace qmk::bench;

int main(int argc, char** argv) {
    return onLargeFile(argc, argv, [](LargeCommandFile& large, bool check) {
        auto& [home, path, parsed, trace, files, engine] = large;
        const auto xml = home.path("every.xml");
        const auto imported = home.path("imported.dat");
        const auto keys = KeyNames::load(home.home().file(files::kKeyNames)).value_or(KeyNames{});

        const auto parse = [&] {
            if (!home.parse(path, true).ok())
                std::abort();
        };
        const auto exportAll = [&] {
            const auto set = collectXmlExport(engine, statements::selectAll(home.store()), keys);
            if (set.refusal || !writeXmlFile(files, {xml, WriteTarget::Kind::Text, path, {}},
                                             set.set, xmltext::Encoding::Utf16)
                                    .done())
                std::abort();
        };
        const auto importAll = [&] {
            const auto outcome = actions::importXmlToNewFile(files, {xml, false}, imported, "10.x");
            if (!outcome.done())
                std::abort();
        };
        const auto removeImported = [&] { std::filesystem::remove(imported); };

        const auto exported = paired(5, parse, exportAll);
        const auto read = paired(5, parse, importAll, removeImported);
        const double size = static_cast<double>(std::filesystem::file_size(xml)) / 1e6;
        std::printf("XML export of 60,000 commands (%.1f MB of UTF-16): %.2f s, %.2f x the parse "
                    "(%.2f s)\n",
                    size, exported.work, exported.ratio, exported.baseline);
        std::printf("XML import into a new command file: %.2f s, %.2f x the parse (%.2f s)\n",
                    read.work, read.ratio, read.baseline);
        if (check && (exported.work >= 2.0 || read.work >= 2.0)) {
            std::printf("FAILED: an XML export or import of 60,000 commands takes 2 s or more\n");
            return 1;
        }
        return 0;
    });
}
