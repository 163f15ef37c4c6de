#include "mainwindow/program_start.h"

#include "session/installation.h"
#include "session/startup.h"

namespace qmk {

std::unique_ptr<ProgramStart> ProgramStart::enter(const ProgramDir& home, Prompt& prompt) {
    // The first run of an installed program sets up the user's program directory.
    if (!programDirectoryReady(home)) {
        std::string error;
        if (!setUpProgramDirectory(
                home, [](const std::string&) {}, error)) {
            prompt.notify(Prompt::Kind::Error, error, "Quillmark10 cannot set up its folder");
            return nullptr;
        }
    }
    auto lock = enterProgram(home.folder(), prompt);
    if (!lock)
        return nullptr;
    return std::unique_ptr<ProgramStart>(new ProgramStart(std::move(lock)));
}

} // namespace qmk
