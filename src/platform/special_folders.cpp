#include "platform/special_folders.h"

#include <cstdlib>

namespace qmk {

std::string specialFolderPath(int folderId) {
    // Set, these stand in for the system's folders, so that tests and demonstrations never
    // touch a real Dragon installation.
    const char* variable = folderId == kCommonAppData ? "QUILLMARK10_COMMON_APPDATA"
                           : folderId == kAppData     ? "QUILLMARK10_APPDATA"
                                                      : nullptr;
    if (!variable)
        return {};
    if (const char* path = std::getenv(variable); path && *path)
        return path;
    return systemSpecialFolder(folderId);
}

} // namespace qmk
