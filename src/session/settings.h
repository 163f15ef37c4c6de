#pragma once

#include "common/file_io.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qmk {

inline constexpr const char* kSettingsFile = "Quillmark10.INI";
inline constexpr const char* kSettingsSection = "Quillmark";
inline constexpr std::size_t kRecentTable = 14;

// What the settings file holds for the program, read at start-up.
struct SettingValues {
    int maximized = 0;
    int formTop = 50;
    int formLeft = 50;
    int formRight = 576;
    int formBottom = 634;
    bool placementStored = false; // false at a first start: the window finds its own size
    std::string saveUser = "Ask";
    bool noConvertKeysHelp = false;
    bool dontShowAutoImport = false;
    bool dontShowRoamSaveUser = false;
    int slider = 5;
    bool numberMenus = true;
    std::string font = "MS Sans Serif";
    int fontSize = 10;
    std::string fixedFont = "Courier New";
    int fixedFontSize = 10; // the body's and the Recently lists'; "fontsize" until chosen apart
    std::vector<std::string> recent; // of the current command file, at most 14
};

// The settings file `Quillmark10.INI` in the program's directory. A key read while missing or
// empty is written with its default, so the file fills itself in.
class Settings {
public:
    explicit Settings(std::filesystem::path file, FileOps& files = FileOps::system())
        : file_(std::move(file)), files_(&files) {}

    std::string read(std::string_view key, std::string_view fallback,
                     std::string_view section = kSettingsSection) const;
    void write(std::string_view key, std::string_view value,
               std::string_view section = kSettingsSection) const;

    // Every key of the section, in order, and the recent commands of `commandFile`.
    SettingValues load(const std::filesystem::path& commandFile) const;
    void savePlacement(int left, int top, int right, int bottom, bool maximized) const;

    const std::filesystem::path& file() const { return file_; }

private:
    std::filesystem::path file_;
    FileOps* files_;
};

// Text to yes/no as the settings are read: "True", "-1", "1" (any non-zero number) are true.
bool settingFlag(std::string_view text);

} // namespace qmk
