#include "platform/dragon_engine.h"

#include "common/file_time.h"
#include "common/native.h"
#include "common/utf8_path.h"
#include "platform/private_profile.h"
#include "platform/special_folders.h"

#include <cstdlib>
#include <string>

namespace qmk {

namespace {

constexpr const char* kDragonFolder = "Nuance/NaturallySpeaking10";

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

SimulatedDragonSetup SimulatedDragonSetup::fromEnvironment() {
    SimulatedDragonSetup setup;
    setup.dragonFolder = pathFromUtf8(specialFolderPath(kCommonAppData)) / kDragonFolder;
    setup.userIni = pathFromUtf8(specialFolderPath(kAppData)) / kDragonFolder / "nsuser.ini";
    if (const auto value = environment("QUILLMARK10_DRAGON_VERSION"); !value.empty()) {
        const auto dot = value.find('.');
        setup.version.major = static_cast<std::uint16_t>(std::atoi(value.substr(0, dot).c_str()));
        if (dot != std::string::npos)
            setup.version.minor =
                static_cast<std::uint16_t>(std::atoi(value.substr(dot + 1).c_str()));
    }
    if (const auto edition = environment("QUILLMARK10_DRAGON_EDITION"); !edition.empty())
        setup.professional = edition == "Professional" || edition == "Medical" ||
                             edition == "Legal" || edition == "Public Safety";
    setup.running = environment("QUILLMARK10_DRAGON_STOPPED").empty();
    if (const auto reload = environment("QUILLMARK10_DRAGON_RELOAD_MS"); !reload.empty())
        setup.reloadTime = std::chrono::milliseconds(std::atoi(reload.c_str()));
    if (const auto program = environment("QUILLMARK10_DRAGON_PROGRAM"); !program.empty()) {
        setup.programFile = pathFromUtf8(program);
    } else {
        setup.programFile = native::runningProgram().parent_path() /
                            pathFromUtf8("natspeak" + std::string(native::kProgramSuffix));
    }
    return setup;
}

SimulatedEngine::SimulatedEngine(SimulatedWindows& windows, SimulatedDragonSetup setup)
    : windows_(windows), setup_(std::move(setup)) {
    if (setup_.running)
        bar_ = windows_.open(
            {0, "DgnBarMainWindowCls", "Dragon NaturallySpeaking", utf8Of(setup_.programFile)});
}

bool SimulatedEngine::registerClient(int) {
    return setup_.running;
}

std::uint32_t SimulatedEngine::featureFlags() {
    // Every edition can dictate and run commands; the Professional series adds its own bit.
    constexpr std::uint32_t kBasic = 1 | 2 | 4;
    return setup_.professional ? kBasic | kProfessionalFeature : kBasic;
}

std::string SimulatedEngine::speaker() {
    return profile::readDragon(setup_.userIni, "Settings", "Current User");
}

std::filesystem::path SimulatedEngine::optionsIni() const {
    auto base = profile::readDragon(setup_.userIni, "Settings", "user base directory");
    const std::filesystem::path users =
        base.empty() ? setup_.dragonFolder / "users" : pathFromUtf8(base);
    return users / pathFromUtf8(profile::readDragon(setup_.userIni, "Settings", "Current User")) /
           "current" / "options.ini";
}

void SimulatedEngine::startReload(const std::string& speaker) {
    reloadSpeaker_ = speaker;
    reloadDue_ = std::chrono::steady_clock::now() + setup_.reloadTime;
    unsaved_ = false;
    if (scheduled_)
        scheduled_(setup_.reloadTime);
}

bool SimulatedEngine::setSpeaker(const std::string& name) {
    if (!setup_.running || reloading() || name.empty())
        return false;
    if (name != speaker())
        profile::writeDragon(setup_.userIni, "Settings", "Current User", name);
    startReload(name);
    return true;
}

bool SimulatedEngine::saveUser() {
    if (!setup_.running)
        return false;
    profile::writeDragon(optionsIni(), "Options", "Last Saved", now().display());
    unsaved_ = false;
    ++saves_;
    return true;
}

bool SimulatedEngine::showOpenUserDialog() {
    if (!setup_.running || windows_.findByTitle("Open User"))
        return false;
    // The dialog offers the users with the current one chosen: Enter opens it again, Escape
    // closes the dialog.
    auto dialog = std::make_shared<WindowHandle>(0);
    *dialog = windows_.open({0, "#32770", "Open User", utf8Of(setup_.programFile)},
                            [this, dialog](const std::vector<KeyStroke>& keys) {
                                for (const auto& key : keys) {
                                    if (key.key == "enter" && !reloading()) {
                                        windows_.close(*dialog);
                                        startReload(speaker());
                                        return;
                                    }
                                    if (key.key == "esc" || key.key == "escape") {
                                        windows_.close(*dialog);
                                        return;
                                    }
                                }
                            });
    return true;
}

std::string SimulatedEngine::programFileOf(WindowHandle window) {
    const auto info = windows_.window(window);
    return info ? info->programFile : std::string();
}

std::uint32_t SimulatedEngine::speakerLanguage() {
    const auto id = profile::readDragon(optionsIni(), "Options", "speakerlanguageID");
    return id.empty() ? 1033 : static_cast<std::uint32_t>(std::strtoul(id.c_str(), nullptr, 10));
}

bool SimulatedEngine::openMyCommandsEditor() {
    if (!setup_.running)
        return false;
    if (!windows_.findByTitle("MyCommands Editor"))
        windows_.open({0, "MyCommandsEditor", "MyCommands Editor", utf8Of(setup_.programFile)});
    return true;
}

void SimulatedEngine::pump() {
    if (!reloadDue_ || std::chrono::steady_clock::now() < *reloadDue_)
        return;
    reloadDue_.reset();
    if (!eventsEnabled_)
        return;
    if (events_.speakerChanged)
        events_.speakerChanged(reloadSpeaker_);
    if (events_.userLoaded)
        events_.userLoaded();
}

} // namespace qmk
