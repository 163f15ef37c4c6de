// Feeds arbitrary bytes to the parser as a command file image: it must never read outside the
// image, crash or leak, whatever the bytes say.
#include "loader/parser.h"
#include "store/statements.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

struct NoPrompt final : qmk::Prompt {
    void message(const std::string&, const std::string&) override {}
    Answer ask(const std::string&, const std::string&, Buttons) override { return Answer::Cancel; }
    std::size_t choose(const std::string&, const std::string&,
                       const std::vector<std::string>&) override {
        return 0;
    }
};

struct World {
    World()
        : home(std::filesystem::temp_directory_path() /
               ("qmk-fuzz-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(home.folder());
        std::ofstream(home.file(qmk::files::kKeyNames)) << "Left Button\r\n\r\nCancel\r\n";
        store = qmk::openCommandStore(":memory:");
    }
    qmk::ProgramDir home;
    std::unique_ptr<qmk::Database> store;
    qmk::Trace trace;
    qmk::NullStatus status;
    NoPrompt prompt;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static World world;
    qmk::Parser parser(qmk::ParseContext{world.home, *world.store, world.trace, world.status,
                                         world.prompt, world.home.folder()});
    const std::string_view image(reinterpret_cast<const char*>(data), size);
    parser.parseImage(image, world.home.file("mycmds.dat"));
    return 0;
}
