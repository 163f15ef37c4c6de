#pragma once

#include <string>

namespace qmk {

// Shell folder ids the program asks for.
inline constexpr int kCommonAppData = 35; // all users' application data
inline constexpr int kAppData = 26;       // the user's application data

// The folder's path, "" when it cannot be resolved: QUILLMARK10_COMMON_APPDATA and
// QUILLMARK10_APPDATA when set, else the system's folder.
std::string specialFolderPath(int folderId);

// The system's folder: the shell's on Windows, folders under the per-user data folder elsewhere.
std::string systemSpecialFolder(int folderId);

} // namespace qmk
