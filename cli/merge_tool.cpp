// mergemycmds "TARGET" "SOURCE": the stand-in for Dragon's merge tool. Merges the commands of
// SOURCE, and the LISTs they name, into TARGET; a command of TARGET with the same Program, Scope
// and name is replaced.
#include "actions/merge_files.h"
#include "common/utf8_path.h"

#include <iostream>

namespace {

using namespace qmk;

// The tool asks nothing: it says what went wrong on its error stream.
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

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: mergemycmds \"TARGET\" \"SOURCE\"\n";
        return 2;
    }
    try {
        QuietPrompt prompt;
        return actions::mergeCommandFiles(pathFromUtf8(argv[1]), pathFromUtf8(argv[2]), prompt) ? 0
                                                                                                : 1;
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 1;
    }
}
