#include "mainwindow/program_start.h"

#include "actions/demo_installation.h"
#include "session/installation.h"
#include "session/startup.h"

namespace qmk {

std::unique_ptr<ProgramStart> ProgramStart::enter(const ProgramDir& home, Prompt& prompt) {
    // The first run of an installed program sets up the user's program directory.
    if (!programDirectoryReady(home)) {
        const auto setUp = actions::setUpProgramFolder(home, [](const std::string&) {});
        if (!setUp.done()) {
            prompt.notify(setUp.kind(), setUp.message, setUp.title);
            return nullptr;
        }
    }
    auto lock = enterProgram(home.folder(), prompt);
    if (!lock)
        return nullptr;
    return std::unique_ptr<ProgramStart>(new ProgramStart(std::move(lock)));
}

} // namespace qmk
