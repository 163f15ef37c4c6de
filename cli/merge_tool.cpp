// mergemycmds "TARGET" "SOURCE": the stand-in for Dragon's merge tool. Merges the commands of
// SOURCE, and the LISTs they name, into TARGET; a command of TARGET with the same Program, Scope
// and name is replaced. Works in a scratch program directory of its own.
#include "command_run.h"
#include "common/file_io.h"
#include "common/status_sink.h"
#include "common/trace.h"
#include "common/utf8_path.h"
#include "loader/parser.h"
#include "session/installation.h"
#include "store/statements.h"
#include "writer/export_dat.h"

#include <filesystem>
#include <iostream>
#include <random>

namespace {

namespace fs = std::filesystem;
using namespace qmk;

class QuietPrompt final : public Prompt {
public:
    void message(const std::string& text, const std::string& title) override {
        std::cerr << (title.empty() ? "" : title + ": ") << text << '\n';
    }
    Answer ask(const std::string&, const std::string&, Buttons) override { return Answer::Yes; }
    std::size_t choose(const std::string&, const std::string&,
                       const std::vector<std::string>&) override {
        return 0;
    }
};

int merge(const fs::path& target, const fs::path& source) {
    std::random_device seed;
    const ProgramDir home(fs::temp_directory_path() /
                          pathFromUtf8("mergemycmds-" + std::to_string(seed())));
    fs::create_directories(home.folder());
    fs::copy_file(dataFolder() / files::kKeyNames, home.file(files::kKeyNames));
    int status = 1;
    {
        auto store = openCommandStore(home.file(files::kStore));
        Trace trace;
        NullStatus silent;
        QuietPrompt prompt;
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
            if (!result.result.ok)
                prompt.message(result.result.message, result.result.title);
            else
                status = 0;
        }
    }
    std::error_code ignored;
    fs::remove_all(home.folder(), ignored);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: mergemycmds \"TARGET\" \"SOURCE\"\n";
        return 2;
    }
    try {
        return merge(pathFromUtf8(argv[1]), pathFromUtf8(argv[2]));
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 1;
    }
}
