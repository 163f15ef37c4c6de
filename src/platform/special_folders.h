#pragma once

#include <string>

namespace qmk {

// Shell folder ids the program asks for.
inline constexpr int kCommonAppData = 35; // all users' application data
inline constexpr int kAppData = 26;       // the user's application data

// The folder's path, "" when it cannot be resolved. The simulation takes them from
// QUILLMARK10_COMMON_APPDATA and QUILLMARK10_APPDATA, else from folders under the per-user data
// folder.
std::string specialFolderPath(int folderId);

} // namespace qmk
