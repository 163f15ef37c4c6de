#include "platform/special_folders.h"

#include "common/program_dir.h"

#include <cstdlib>

namespace qmk {

std::string specialFolderPath(int folderId) {
    const char* variable = folderId == kCommonAppData ? "QUILLMARK10_COMMON_APPDATA"
                           : folderId == kAppData     ? "QUILLMARK10_APPDATA"
                                                      : nullptr;
    if (!variable)
        return {};
    if (const char* path = std::getenv(variable); path && *path)
        return path;
    const auto base = ProgramDir::perUserDataFolder() / "windows";
    return (base / (folderId == kCommonAppData ? "ProgramData" : "AppData/Roaming")).string();
}

} // namespace qmk
