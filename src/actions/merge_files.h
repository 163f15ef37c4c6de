#pragma once

#include "common/prompt.h"

#include <filesystem>

namespace qmk::actions {

// Merges the commands of `source`, and the LISTs they name, into `target` (made when missing);
// a command of `target` with the same Program, Scope and name is replaced. What Dragon's merge
// tool does, for the stand-in that takes its place: works in a scratch program directory of its
// own, which goes again. False after the reason was told through `prompt`.
bool mergeCommandFiles(const std::filesystem::path& target, const std::filesystem::path& source,
                       Prompt& prompt);

} // namespace qmk::actions
