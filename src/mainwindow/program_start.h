#pragma once

#include "common/program_dir.h"
#include "common/prompt.h"
#include "platform/dragon_platform.h"
#include "platform/single_instance.h"

#include <memory>
#include <string>

namespace qmk {

// What the window program holds from its start to its end, before and beside its window: its
// folder set up at the first run of an installed copy, the lock that keeps a second copy out,
// and Dragon's controls.
class ProgramStart {
public:
    // nullptr after the reason was told through the prompt: the program ends.
    static std::unique_ptr<ProgramStart> enter(const ProgramDir& home, Prompt& prompt);

    // No back end over Dragon's own controls yet: the simulation stands in.
    DragonPlatform dragon() { return dragon_.platform(); }
    // A phrase heard as if spoken to Dragon (the developer's speak box).
    void hear(const std::string& words) { dragon_.voice.hear(words); }

private:
    explicit ProgramStart(std::unique_ptr<SingleInstance> lock) : lock_(std::move(lock)) {}

    std::unique_ptr<SingleInstance> lock_;
    SimulatedDragon dragon_;
};

} // namespace qmk
