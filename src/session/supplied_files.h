#pragma once

#include <string>

namespace qmk {

inline constexpr const char* kPlacerFile = "placer.dat";
inline constexpr const char* kLaunchCommandsFile = "qmk10global.dat";

// "placer.dat": an empty command file; merging it changes nothing but the command file's time,
// which is what makes Dragon take the file up.
std::string placerFile();
// "qmk10global.dat": the launch commands "global quillmark" and "local quillmark"; the first
// script names "qmk9", which is how the import offer recognises it.
std::string launchCommandsFile();

} // namespace qmk
