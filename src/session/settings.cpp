#include "session/settings.h"

#include "common/utf8_path.h"
#include "platform/private_profile.h"

#include <algorithm>
#include <cstdlib>

namespace qmk {

namespace {
int number(const std::string& text) {
    return std::atoi(text.c_str());
}

// A command file's section is named by its path with backslashes between the folders, as on
// Windows, whose profile functions tell a slash from a backslash; the program's own INI reader
// also finds a section that an earlier version named with slashes.
std::string sectionName(std::string_view section) {
    std::string name(section);
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}
} // namespace

bool settingFlag(std::string_view text) {
    if (text.size() == 4 && (text[0] == 'T' || text[0] == 't') &&
        (text.substr(1) == "rue" || text.substr(1) == "RUE"))
        return true;
    return std::atoi(std::string(text).c_str()) != 0;
}

std::string Settings::read(std::string_view key, std::string_view fallback,
                           std::string_view section) const {
    auto value = profile::read(file_, sectionName(section), key);
    if (value.empty() && !fallback.empty()) {
        profile::write(file_, sectionName(section), key, fallback, *files_);
        value = fallback;
    }
    return value;
}

void Settings::write(std::string_view key, std::string_view value, std::string_view section) const {
    profile::write(file_, sectionName(section), key, value, *files_);
}

SettingValues Settings::load(const std::filesystem::path& commandFile) const {
    SettingValues v;
    v.placementStored = !profile::read(file_, kSettingsSection, "form right").empty();
    v.maximized = number(read("maximized", "0"));
    v.formTop = number(read("form top", "50"));
    v.formLeft = number(read("form left", "50"));
    v.formRight = number(read("form right", "576"));
    v.formBottom = number(read("form bottom", "634"));
    const auto section = utf8Of(commandFile);
    const auto count =
        static_cast<std::size_t>(std::max(0, number(read("mrucount", "0", section))));
    // The table holds 14 entries; a larger count reads the first 14.
    for (std::size_t i = 1; i <= count && i <= kRecentTable; ++i)
        v.recent.push_back(read(std::to_string(i), "", section));
    v.saveUser = read("save user", "Ask");
    v.noConvertKeysHelp = settingFlag(read("no convert keys help", "0"));
    v.dontShowAutoImport = settingFlag(read("dont show auto import", "False"));
    v.dontShowRoamSaveUser = settingFlag(read("dont show roam save user", "False"));
    v.slider = number(read("slider", "5"));
    v.numberMenus = settingFlag(read("number menus", "True"));
    v.font = read("font", "MS Sans Serif");
    v.fontSize = number(read("fontsize", "10"));
    v.fixedFont = read("fixedfont", "Courier New");
    v.fixedFontSize = number(read("fixedfontsize", std::to_string(v.fontSize)));
    return v;
}

void Settings::savePlacement(int left, int top, int right, int bottom, bool maximized) const {
    write("form top", std::to_string(top));
    write("form left", std::to_string(left));
    write("form right", std::to_string(right));
    write("form bottom", std::to_string(bottom));
    write("maximized", maximized ? "1" : "0");
}

} // namespace qmk
