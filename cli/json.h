#pragma once

#include <string>
#include <string_view>

namespace qmk::cli {

// A JSON string literal for UTF-8 text.
std::string jsonString(std::string_view text);

} // namespace qmk::cli
