#pragma once

#include "common/utf8_path.h"
#include "platform/window_system.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace qmk {

// The version Dragon's engine control reports: major, minor-version code, and a build number
// nothing reads.
struct EngineVersion {
    std::uint16_t major = 10;
    std::uint16_t minor = 10;
    std::uint16_t build = 0;
};

// Feature flag of the Professional-series editions (Professional, Medical, Legal, Public Safety).
inline constexpr std::uint32_t kProfessionalFeature = 16;

// What the engine tells the program while it waits.
struct EngineEvents {
    std::function<void(const std::string& speaker)> speakerChanged;
    std::function<void()> userLoaded;
};

// Dragon's engine control.
class DragonEngine {
public:
    virtual ~DragonEngine() = default;
    virtual bool registerClient(int flags) = 0;
    virtual void setEventsEnabled(bool enabled) = 0;
    virtual std::uint32_t featureFlags() = 0;
    virtual EngineVersion version() = 0;
    virtual std::string speaker() = 0;
    // Writing the current speaker's name reloads that user; false while a reload still runs.
    virtual bool setSpeaker(const std::string& name) = 0;
    virtual bool hasUnsavedChanges() = 0;
    virtual bool saveUser() = 0;
    virtual bool showOpenUserDialog() = 0;
    virtual std::string programFileOf(WindowHandle window) = 0;
    virtual std::string directoryText() = 0;
    virtual std::uint32_t speakerLanguage() = 0;
    virtual bool openMyCommandsEditor() = 0;
    virtual void setEvents(EngineEvents events) = 0;
    // Delivers the events that are due. A back end whose events arrive through the system's
    // message loop has nothing to do here.
    virtual void pump() = 0;
    // Told when an event falls due after `delay`, so a window can wake then instead of polling.
    virtual void onEventScheduled(std::function<void(std::chrono::milliseconds delay)> due) = 0;
};

// Where the simulated Dragon keeps its installation, and how it behaves.
struct SimulatedDragonSetup {
    std::filesystem::path dragonFolder; // all users' NaturallySpeaking10 folder
    std::filesystem::path userIni;      // the per-user nsuser.ini naming the current speaker
    std::filesystem::path programFile;  // natspeak, beside which the merge tool stands
    EngineVersion version;
    bool running = true;
    bool professional = true;
    std::chrono::milliseconds reloadTime{300};

    // From the special folders and QUILLMARK10_DRAGON_VERSION ("10.10"),
    // QUILLMARK10_DRAGON_EDITION ("Professional" unless another edition is named),
    // QUILLMARK10_DRAGON_PROGRAM (else "natspeak" beside the running program) and
    // QUILLMARK10_DRAGON_STOPPED (set: no engine to register with) and
    // QUILLMARK10_DRAGON_RELOAD_MS (how long a reload of the user takes).
    static SimulatedDragonSetup fromEnvironment();
};

// The simulated engine: the speaker is the "Current User" of nsuser.ini; a reload takes
// `reloadTime`, after which speaker-changed and user-loaded arrive through `pump`. Its windows
// (the Dragon bar, the Open User dialog, the MyCommands Editor) live in the window registry.
class SimulatedEngine final : public DragonEngine {
public:
    SimulatedEngine(SimulatedWindows& windows, SimulatedDragonSetup setup);

    bool registerClient(int flags) override;
    void setEventsEnabled(bool enabled) override { eventsEnabled_ = enabled; }
    std::uint32_t featureFlags() override;
    EngineVersion version() override { return setup_.version; }
    std::string speaker() override;
    bool setSpeaker(const std::string& name) override;
    bool hasUnsavedChanges() override { return unsaved_; }
    bool saveUser() override;
    bool showOpenUserDialog() override;
    std::string programFileOf(WindowHandle window) override;
    std::string directoryText() override { return utf8Of(setup_.dragonFolder); }
    std::uint32_t speakerLanguage() override;
    bool openMyCommandsEditor() override;
    void setEvents(EngineEvents events) override { events_ = std::move(events); }

    void pump() override;
    void onEventScheduled(std::function<void(std::chrono::milliseconds delay)> due) override {
        scheduled_ = std::move(due);
    }
    void setVersion(EngineVersion version) { setup_.version = version; }
    // The user changes something Dragon keeps (a new word, a changed option).
    void markUnsaved() { unsaved_ = true; }
    bool reloading() const { return reloadDue_.has_value(); }
    int saves() const { return saves_; }
    WindowHandle barWindow() const { return bar_; }

private:
    std::filesystem::path optionsIni() const;
    void startReload(const std::string& speaker);

    SimulatedWindows& windows_;
    SimulatedDragonSetup setup_;
    EngineEvents events_;
    std::function<void(std::chrono::milliseconds)> scheduled_;
    bool eventsEnabled_ = false;
    bool unsaved_ = false;
    int saves_ = 0;
    WindowHandle bar_ = 0;
    std::string reloadSpeaker_;
    std::optional<std::chrono::steady_clock::time_point> reloadDue_;
};

} // namespace qmk
