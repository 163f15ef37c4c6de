#pragma once

#include "store/database.h"
#include "store/selection.h"

#include <filesystem>
#include <optional>
#include <string>

namespace qmk {

// The rows given as a readable listing in the block layout of Dragon's textual command
// definitions: MENU blocks of STATE blocks of COMMAND and LIST blocks. The text is in the command
// file's code page.
std::string pseudoDvcText(Database& store, const Selection& rows);

} // namespace qmk
