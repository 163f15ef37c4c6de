#pragma once

#include "common/prompt.h"
#include "common/trace.h"
#include "common/utf8_path.h"
#include "platform/dragon_engine.h"
#include "platform/os_version.h"
#include "store/database.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace qmk {

// The machine facts DragonEnvironment asks for, replaceable in tests.
struct DragonMachine {
    std::function<OsVersion()> osVersion = currentOsVersion;
    std::function<std::string(int)> specialFolder; // specialFolderPath when empty
};

// Where the running Dragon installation, its current user and that user's command file are.
// One object per run: `initialize` discovers everything once; `isUsersOwnFile` tells whether a
// file is the current user's own command file.
class DragonEnvironment {
public:
    using Machine = DragonMachine;

    DragonEnvironment(Prompt& prompt, Trace& trace, DragonEngine& engine, Machine machine = {});

    void setStoreName(const std::string& name) { storeName = name; }
    // Full discovery; `directory` is the program's directory, where the store lies. A run that
    // works on the user's commands claims the store for the user found (another user's rows go);
    // one that only asks where the user's file is leaves it as it is.
    enum class Store { Claim, LeaveAlone };
    void initialize(const std::filesystem::path& directory, Database& store,
                    Store use = Store::Claim);
    bool findPaths();
    bool isUsersOwnFile(const std::string& file);
    std::filesystem::path usersOwnFile() const {
        return pathFromUtf8(currentUserDirectory + "/mycmds.dat");
    }

    bool initFailed = false;
    std::string currentUserDirectory;
    std::string storeName = "global.mdb";
    // Three characters of dragon.log's edition; kEditionUnknown until the log names one.
    static constexpr const char* kEditionUnknown = "xxx";
    std::string edition = kEditionUnknown;
    bool currentUserIsRoaming = false;
    std::string language;
    std::string logFile;
    std::int16_t majorVersion = 0;
    std::int16_t minorVersion = 0;
    bool roamingUserOn = false;
    std::string roamingCacheDirectory;
    std::string roamingMasterDirectory;
    std::string speakerLanguageId;
    std::string systemIniFile;
    std::string userBaseDirectory;
    std::string currentUser;
    std::string userSub;
    std::string versionText = "*.*";

private:
    void readLog();
    void discoverUser(Database& store, Store use);
    std::string readIni(const std::string& file, const char* section, const char* key) const;
    void fail(const std::string& message, const std::string& title);

    Prompt& prompt_;
    Trace& trace_;
    DragonEngine& engine_;
    Machine machine_;
    std::string currentUserFile_;
    std::string dvcPath_;
    std::string commonDataFolder_;
};

} // namespace qmk
