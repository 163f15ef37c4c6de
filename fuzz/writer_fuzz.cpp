// A random command file and a random operation on one of its records: the operation either
// refuses and leaves the file byte for byte as it was, or writes a file that parses again.
// Input: [operation][row][command file image...].
#include "command_file_builder.h"
#include "store/statements.h"
#include "store/user_rows.h"
#include "test_home.h"
#include "writer/export_dat.h"
#include "writer/new_records.h"
#include "writer/rebuilds.h"
#include "writer/record_edits.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

using namespace qmk;

namespace {

// Writes without the flush to disk: the fuzzer wants many runs, not durable ones.
struct ScratchFiles final : FileOps {
    void writeFile(const std::filesystem::path& file, std::string_view bytes) override {
        writeScratch(file, bytes);
    }
};

struct World {
    testing::TestHome home;
    Trace trace{home.path("fuzz.trace"), now()};
    ScratchFiles files;
};

[[noreturn]] void fail(const char* what, int operation, const UserRow& row,
                       const std::string& detail = {}) {
    std::fprintf(stderr, "operation %d on %s '%s' at %lld: %s %s\n", operation,
                 letterOf(row.type).c_str(), row.name.c_str(), static_cast<long long>(row.offset),
                 what, detail.c_str());
    std::abort();
}

Outcome run(int operation, UpdateEngine& engine, Database& store, const UserRow& row,
            const std::filesystem::path& other) {
    switch (operation) {
    case 0:
        return replaceBody(engine, row,
                           row.type == ItemType::List ? "one\r\ntwo" : "changed {Enter}");
    case 1:
        return row.type == ItemType::List ? renameList(engine, row, "renamed")
                                          : updateDetails(engine, row, "renamed <x>", "d", "G");
    case 2:
        return changeType(engine, row, Conversion::ToPlainText);
    case 3:
        return changeType(engine, row, Conversion::ToAdvancedScript);
    case 4: {
        NewCommand command;
        command.type = ItemType::Keys;
        command.name = "fresh";
        command.program = row.program;
        command.scope = row.scope;
        command.body = "{Tab}";
        return addCommandRecord(engine, command);
    }
    case 5:
        return addListRecord(engine, "fresh list", "a\r\nb");
    case 6:
        return row.type == ItemType::List ? deleteList(engine, row) : Outcome::refused("no LIST");
    case 7:
        return deleteCommands(engine, Selection({row.id}));
    case 8:
        return renameGroupsOrPrograms(engine, statements::selectAll(store),
                                      {WalkOperation::Group, "All groups", "Renamed"});
    case 9:
        return renameGroupsOrPrograms(engine, statements::selectAll(store),
                                      {WalkOperation::Program, {}, "renamed"});
    case 10: {
        return exportCommands(engine, statements::selectCommands(store), other, ExportMode::NewFile,
                              {})
            .result;
    }
    case 11:
    case 12:
    case 13:
    case 14: {
        const char* labels[] = {"6.0", "6.1", "7.0", "8.0"};
        const auto target = *formatTarget(labels[operation - 11]);
        if (auto refusal = formatConversionRefusal(engine, target))
            return *refusal;
        return convertFormat(engine, target);
    }
    case 15:
        return convertLanguage(engine, *languageCode("French"));
    default: {
        const WalkOperation conversions[] = {WalkOperation::DvcToPlainText,
                                             WalkOperation::DvcToSendKeys,
                                             WalkOperation::DvcToSendDragonKeys};
        return convertDvc(engine, statements::selectAll(store), conversions[operation % 3]).result;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static World world;
    if (size < 2 + layout::kHeaderSize)
        return 0;
    const int operation = data[0] % 19;
    const std::string image(reinterpret_cast<const char*>(data) + 2, size - 2);
    const auto path = world.home.writeFile("mycmds.dat", image);
    if (!world.home.parse(path, true).ok())
        return 0; // the program never writes a file it could not read
    const auto rows = world.home.rows();
    if (rows.empty())
        return 0;
    const auto& row = rows[data[1] % rows.size()];
    const auto other = world.home.path("other.dat");
    std::filesystem::remove(other);

    UpdateEngine engine(
        EngineContext{world.home.home(), world.home.store(), world.trace, world.files, path});
    const auto result = run(operation, engine, world.home.store(), row, other);
    const auto after = testing::readBytes(path);
    if (!result.done()) {
        if (after != image)
            fail("refused, but the file changed", operation, row);
        return 0;
    }
    if (const auto again = world.home.parse(path, true); !again.ok())
        fail("the written file does not parse:", operation, row, again.message);
    if (operation == 10 && !world.home.parse(other, true).ok())
        fail("the exported file does not parse", operation, row);
    return 0;
}
