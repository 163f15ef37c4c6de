#include "session/notices.h"

#include "common/utf8_path.h"

#include <string>

namespace qmk {

std::filesystem::path helpPage(const ProgramDir& home, int topic) {
    const auto folder = home.file("help");
    const auto page = folder / pathFromUtf8(std::to_string(topic) + ".html");
    return topic != 0 && std::filesystem::exists(page) ? page : folder / "index.html";
}

void keyConversionNotice(const Settings& settings, Prompt& prompt,
                         const std::function<void(int)>& showHelp) {
    if (settingFlag(settings.read("no convert keys help", "0")))
        return;
    const auto choice =
        prompt.chooseWithCheck("Would you like to view the Help Page on this topic?",
                               "Please Read Help if First Time Converting", {"&Help", "&No Thanks"},
                               "Don't &Show this Again");
    if (choice.button == 0)
        showHelp(kKeyConversionHelp);
    if (choice.checked)
        settings.write("no convert keys help", "True");
}

void setNumberMenus(const Settings& settings, bool on) {
    settings.write("number menus", on ? "True" : "False");
}

} // namespace qmk
