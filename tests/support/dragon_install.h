#pragma once

#include "platform/dragon_engine.h"
#include "platform/os_version.h"
#include "session/dragon_environment.h"

#include <filesystem>
#include <string>

namespace qmk::testing {

// A simulated Dragon 10 installation under `root`: nssystem.ini, nsuser.ini naming the user,
// dragon.log, and the user's current folder with options.ini.
struct DragonInstall {
    explicit DragonInstall(const std::filesystem::path& root, const std::string& user = "pat");

    std::string common, perUser, dragon, userDragon;
    OsVersion os;

    std::string currentFolder(const std::string& user = "pat") const {
        return dragon + "/users/" + user + "/current";
    }
    // The machine DragonEnvironment sees: these folders and `os`.
    DragonMachine machine();
    // The simulated engine's setup; Dragon's program file stands in `programFolder`.
    SimulatedDragonSetup engineSetup(const std::filesystem::path& programFolder) const;

    static void write(const std::string& file, const std::string& text);
};

} // namespace qmk::testing
