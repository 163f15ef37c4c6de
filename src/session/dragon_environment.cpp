#include "session/dragon_environment.h"

#include "common/text.h"
#include "common/utf8_path.h"
#include "platform/private_profile.h"
#include "platform/special_folders.h"
#include "session/settings.h"
#include "store/parameters.h"
#include "store/statements.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace qmk {

namespace {

constexpr const char* kDragonFolder = "/Nuance/NaturallySpeaking10";

// An all-users folder made from the per-user one, as old Windows versions need.
std::string allUsersFrom(const std::string& perUser) {
    if (const auto profiles = perUser.find("Profiles"); profiles != std::string::npos) {
        const auto application = perUser.find("Application Data");
        return perUser.substr(0, profiles + std::string("Profiles").size() + 1) + "All Users\\" +
               (application == std::string::npos ? std::string() : perUser.substr(application));
    }
    std::string result;
    const std::string folded = lower(perUser);
    std::size_t from = 0;
    for (auto at = folded.find("\\application"); at != std::string::npos;
         at = folded.find("\\application", from)) {
        result += perUser.substr(from, at - from) + "\\all users\\application";
        from = at + std::string("\\application").size();
    }
    return result + perUser.substr(from);
}

bool exists(const std::string& path) {
    return std::filesystem::exists(pathFromUtf8(path));
}

} // namespace

DragonEnvironment::DragonEnvironment(Prompt& prompt, Trace& trace, DragonEngine& engine,
                                     Machine machine)
    : prompt_(prompt), trace_(trace), engine_(engine), machine_(std::move(machine)) {
    if (!machine_.specialFolder)
        machine_.specialFolder = specialFolderPath;
}

void DragonEnvironment::fail(const std::string& message, const std::string& title) {
    prompt_.message(message, title);
    initFailed = true;
}

std::string DragonEnvironment::readIni(const std::string& file, const char* section,
                                       const char* key) const {
    return profile::readDragon(pathFromUtf8(file), section, key);
}

bool DragonEnvironment::findPaths() {
    trace_.mark("before OS");
    const auto code = osVersionName(machine_.osVersion());
    bool result = true;
    if (minorVersion != 0 && minorVersion != 1 && minorVersion != 5 && minorVersion != 9) {
        prompt_.message("Unknown NaturallySpeaking version", "Unable to continue");
        result = false;
    }
    const bool modern = code == "Win2K" || code == "WinXP" || code == "Win.NET" ||
                        code == "Vista" || code == "Windows 7";
    const bool old = code == "Win9x" || code == "WinNT";
    if (!modern && !old) {
        prompt_.message("Unable to determine your Operating System", "Unable to continue");
        prompt_.message("Please send the file 'trace.qmk10' to Tarnwell", "This may assist him");
        return false;
    }
    commonDataFolder_ = machine_.specialFolder(kCommonAppData);
    const auto perUser = machine_.specialFolder(kAppData);
    if (old && commonDataFolder_.empty())
        commonDataFolder_ = allUsersFrom(perUser);
    systemIniFile = commonDataFolder_ + kDragonFolder + "/nssystem.ini";
    currentUserFile_ = perUser + kDragonFolder + "/nsuser.ini";
    logFile = perUser + kDragonFolder + "/dragon.log";
    dvcPath_ = commonDataFolder_ + kDragonFolder;

    trace_.mark("OS: ", code);
    const std::pair<const char*, const std::string*> files[] = {
        {"systemIniFile: ", &systemIniFile},
        {"logFile: ", &logFile},
        {"currentuserfilename: ", &currentUserFile_}};
    for (const auto& [label, path] : files)
        trace_.mark(label, *path, exists(*path) ? " Exists" : " does not exist");
    trace_.mark("dvcpath: ", dvcPath_);
    for (const auto& [label, path] : files) {
        if (!exists(*path)) {
            prompt_.message("Expected file not found:\r\n" + *path,
                            "Report this to Tarnwell, send 'trace.qmk10'");
            result = false;
        }
    }
    return result;
}

void DragonEnvironment::initialize(const std::filesystem::path& directory, Database& store,
                                   Store use) {
    const auto database = directory / pathFromUtf8(storeName);
    if (!std::filesystem::exists(database))
        return fail("Required file " + storeName + " missing--reinstall", utf8Of(database));
    const auto version = engine_.version();
    if (version.major != 10)
        return fail("Quillmark10 can only work with version 10 of NaturallySpeaking", "Sorry");
    majorVersion = static_cast<std::int16_t>(version.major);
    // The minor code over ten, halves to the even number.
    minorVersion = static_cast<std::int16_t>(std::nearbyint(version.minor / 10.0));
    if (!findPaths()) {
        initFailed = true;
        return;
    }
    if (!exists(systemIniFile))
        return fail("Cannot find required file", systemIniFile);
    readLog();
    discoverUser(store, use);
}

void DragonEnvironment::readLog() {
    versionText = "*.*";
    edition = kEditionUnknown;
    std::ifstream log(logFile, std::ios::binary);
    const std::string markers[] = {"Dragon NaturallySpeaking Version ", "Dragon Medical Version ",
                                   "Dragon Legal Version "};
    for (std::string line; std::getline(log, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        for (const auto& marker : markers) {
            if (const auto at = line.find(marker); at != std::string::npos) {
                versionText = line.substr(at + marker.size(), 4);
                break;
            }
        }
        if (line.starts_with("Starting process "))
            if (const auto open = line.find('(');
                open != std::string::npos && open + 5 < line.size())
                edition = line.substr(open + 5, 3);
        if (const auto at = line.find("Edition: "); at != std::string::npos)
            edition = line.substr(at + 9, 3);
    }
    // Without a version line the engine's numbers stand.
    if (versionText != "*.*" && versionText.size() >= 4) {
        majorVersion = static_cast<std::int16_t>(std::atoi(versionText.substr(0, 2).c_str()));
        minorVersion = static_cast<std::int16_t>(std::atoi(versionText.substr(3, 1).c_str()));
    }
}

void DragonEnvironment::discoverUser(Database& store, Store use) {
    currentUser = readIni(currentUserFile_, "settings", "Current User");
    if (currentUser.empty())
        return fail("No User detected, cannot continue", "Have you trained any Users?");
    trace_.mark("User: ", currentUser);
    userSub = currentUser;
    Parameters parameters(store);
    const auto stored = parameters.get(Parameters::Text::UserName);
    const bool claims = use == Store::Claim;
    if (claims && (!stored || *stored != currentUser)) {
        // Another user's commands: the next parse starts from an empty store.
        parameters.set(Parameters::Text::UserName, currentUser);
        parameters.set(Parameters::Text::UserSub, userSub);
        parameters.set(Parameters::Number::parsed, 0);
        parameters.set(Parameters::Text::mycmdstime, std::nullopt);
        parameters.set(Parameters::Text::dvcmaptime, std::nullopt);
        statements::emptyUserRows(store);
    }
    language = readIni(systemIniFile, "settings", "supported languages");
    if (language.size() > 3)
        language.resize(3);
    if (claims && parameters.get(Parameters::Text::language) != language)
        parameters.set(Parameters::Text::language, language);

    userBaseDirectory = readIni(currentUserFile_, "settings", "user base directory");
    if (userBaseDirectory.empty())
        userBaseDirectory = commonDataFolder_ + kDragonFolder + "/users";
    trace_.mark("user base directory: ", userBaseDirectory);
    currentUserDirectory = userBaseDirectory + "/" + userSub + "/current";
    speakerLanguageId =
        readIni(currentUserDirectory + "/options.ini", "options", "speakerlanguageID");
    if (speakerLanguageId.empty())
        speakerLanguageId = "0";
    trace_.mark("speaker language ID: ", speakerLanguageId);

    const auto roaming = readIni(systemIniFile, "settings", "roaming user on");
    if (!roaming.empty()) {
        roamingUserOn = settingFlag(roaming);
        roamingMasterDirectory =
            readIni(systemIniFile, "settings", "roaming user master directory");
        roamingCacheDirectory =
            readIni(systemIniFile, "settings", "roaming user local cache directory");
        if (roamingCacheDirectory.empty())
            roamingCacheDirectory =
                utf8Of(pathFromUtf8(userBaseDirectory).parent_path()) + "/roamingusers";
        trace_.mark("roaming user mastery directory", roamingMasterDirectory);
        trace_.mark("roaming local cache directory", roamingCacheDirectory);
        currentUserIsRoaming =
            readIni(roamingCacheDirectory + "/" + currentUser + "/current/local.ini", "options",
                    "Roaming User Opened No Master") == "1";
    } else {
        roamingUserOn = false;
        roamingMasterDirectory.clear();
        roamingCacheDirectory.clear();
    }
    if (!currentUserIsRoaming)
        currentUserIsRoaming =
            readIni(currentUserFile_, "settings", "Roaming User Current User Is Roaming") == "1";
    trace_.mark("current user is roaming", currentUserIsRoaming ? "true" : "false");
}

bool DragonEnvironment::isUsersOwnFile(const std::string& file) {
    findPaths();
    currentUser = readIni(currentUserFile_, "settings", "Current User");
    userSub = currentUser;
    return comparablePath(file) == comparablePath(currentUserDirectory + "/mycmds.dat");
}

} // namespace qmk
