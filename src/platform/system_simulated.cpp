#include "common/program_dir.h"
#include "common/utf8_path.h"
#include "platform/os_version.h"
#include "platform/special_folders.h"

// What the system reports where there is no Windows to ask.
namespace qmk {

// A system without the shell's folders: folders under the per-user data folder in their place.
std::string systemSpecialFolder(int folderId) {
    const auto base = ProgramDir::perUserDataFolder() / "windows";
    return utf8Of(base /
                  pathFromUtf8(folderId == kCommonAppData ? "ProgramData" : "AppData/Roaming"));
}

// This machine has no Windows to ask: Windows 7.
OsVersion systemOsVersion() {
    return OsVersion{};
}

} // namespace qmk
