#include "actions/merge_files.h"

#include "common/file_io.h"
#include "common/status_sink.h"
#include "common/trace.h"
#include "common/utf8_path.h"
#include "loader/parser.h"
#include "session/installation.h"
#include "store/statements.h"
#include "writer/export_dat.h"

#include <random>

namespace qmk::actions {

namespace fs = std::filesystem;

bool mergeCommandFiles(const fs::path& target, const fs::path& source, Prompt& prompt) {
    std::random_device seed;
    const ProgramDir home(fs::temp_directory_path() /
                          pathFromUtf8("mergemycmds-" + std::to_string(seed())));
    fs::create_directories(home.folder());
    fs::copy_file(dataFolder() / files::kKeyNames, home.file(files::kKeyNames));
    bool merged = false;
    {
        auto store = openCommandStore(home.file(files::kStore));
        Trace trace;
        NullStatus silent;
        Parser parser(ParseContext{home, *store, trace, silent, prompt, {}});
        const auto parsed = parser.parse(true, utf8Of(source));
        if (!parsed.ok()) {
            prompt.message(parsed.message, parsed.title);
        } else {
            FileOps files;
            UpdateEngine engine(EngineContext{home, *store, trace, files, source});
            const auto result =
                exportCommands(engine, statements::selectCommands(*store), target,
                               fs::exists(target) ? ExportMode::Append : ExportMode::NewFile,
                               [](const DuplicateCommand&) { return DuplicateAnswer::YesToAll; });
            if (!result.result.done())
                prompt.message(result.result.message, result.result.title);
            merged = result.result.done();
        }
    }
    std::error_code ignored;
    fs::remove_all(home.folder(), ignored);
    return merged;
}

} // namespace qmk::actions
