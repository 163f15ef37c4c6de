#pragma once

#include "store/database.h"

#include <filesystem>
#include <optional>
#include <string>

namespace qmk {

// The selected rows (`flag` set) as a readable listing in the block layout of Dragon's textual
// command definitions: MENU blocks of STATE blocks of COMMAND and LIST blocks. The text is in
// the command file's code page; the selection mark is cleared afterwards.
std::string pseudoDvcText(Database& store);

// Writes the listing to `file`; the reason when it cannot (nothing selected, a file error).
std::optional<std::string> writePseudoDvc(Database& store, const std::filesystem::path& file);

} // namespace qmk
