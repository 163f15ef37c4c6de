#pragma once

#include "platform/dragon_engine.h"
#include "platform/microphone.h"
#include "platform/voice_command.h"
#include "platform/window_system.h"

namespace qmk {

// Dragon's controls and the desktop as the window uses them. A back end over Dragon's own
// controls on Windows implements these four; the simulation stands in wherever there is none.
struct DragonPlatform {
    WindowSystem& windows;
    DragonEngine& engine;
    Microphone& microphone;
    VoiceCommand& voice;
};

// The simulated Dragon and desktop, set up from the environment (see SimulatedDragonSetup).
struct SimulatedDragon {
    SimulatedDragon() : engine(windows, SimulatedDragonSetup::fromEnvironment()), voice(windows) {}
    SimulatedDragon(const SimulatedDragon&) = delete;
    SimulatedDragon& operator=(const SimulatedDragon&) = delete;

    DragonPlatform platform() { return {windows, engine, microphone, voice}; }

    SimulatedWindows windows;
    SimulatedEngine engine;
    SimulatedMicrophone microphone;
    SimulatedVoiceCommand voice;
};

} // namespace qmk
