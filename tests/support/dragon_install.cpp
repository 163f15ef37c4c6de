#include "dragon_install.h"

#include "platform/special_folders.h"

#include <fstream>

namespace qmk::testing {

namespace fs = std::filesystem;

DragonInstall::DragonInstall(const fs::path& root, const std::string& user)
    : common((root / "ProgramData").string()), perUser((root / "AppData").string()),
      dragon(common + "/Nuance/NaturallySpeaking10"),
      userDragon(perUser + "/Nuance/NaturallySpeaking10") {
    fs::create_directories(currentFolder(user));
    fs::create_directories(userDragon);
    write(dragon + "/nssystem.ini", "[Settings]\r\nsupported languages=ENXUS\r\n");
    write(userDragon + "/nsuser.ini", "[Settings]\r\nCurrent User=" + user + "\r\n");
    write(userDragon + "/dragon.log",
          "Starting process natspeak.exe (ver Professional)\r\n"
          "Dragon NaturallySpeaking Version 10.10.200\r\nother line\r\n");
    write(currentFolder(user) + "/options.ini", "[Options]\r\nspeakerlanguageID=1033\r\n");
}

DragonMachine DragonInstall::machine() {
    DragonMachine machine;
    machine.osVersion = [this] { return os; };
    machine.specialFolder = [this](int id) {
        return id == kCommonAppData ? common : id == kAppData ? perUser : std::string();
    };
    return machine;
}

SimulatedDragonSetup DragonInstall::engineSetup(const fs::path& programFolder) const {
    SimulatedDragonSetup setup;
    setup.dragonFolder = dragon;
    setup.userIni = userDragon + "/nsuser.ini";
    setup.programFile = programFolder / "natspeak";
    setup.reloadTime = std::chrono::milliseconds(50);
    return setup;
}

void DragonInstall::write(const std::string& file, const std::string& text) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

} // namespace qmk::testing
