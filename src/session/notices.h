#pragma once

#include "common/program_dir.h"
#include "common/prompt.h"
#include "session/settings.h"

#include <filesystem>
#include <functional>

namespace qmk {

inline constexpr int kOptionsHelp = 10001;
inline constexpr int kKeyConversionHelp = 10002;
inline constexpr int kRoamingHelpTopic = 10004;

// The help page of a topic in the program's help folder; the contents for topic 0 or a topic
// without a page of its own.
std::filesystem::path helpPage(const ProgramDir& home, int topic);

// The notice the DVC conversions show first, unless "no convert keys help" is on: it offers the
// help page, and its check box turns the notice off for good.
void keyConversionNotice(const Settings& settings, Prompt& prompt,
                         const std::function<void(int)>& showHelp);

// The Options dialog's check box: spoken numbering of the selector menus, stored at once.
void setNumberMenus(const Settings& settings, bool on);

} // namespace qmk
