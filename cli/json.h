#pragma once

#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>

namespace qmk::cli {

// Keys keep the order they are set in, which is the order a reader of the output expects.
using Json = nlohmann::ordered_json;

// One JSON text on one line. Text that is not UTF-8 (a path's bytes on Linux) shows U+FFFD
// where its bad bytes were, so the output always stays valid JSON.
std::string compactJson(const Json& value);

// `value` indented by two spaces, and a line end.
void printJson(std::ostream& out, const Json& value);

} // namespace qmk::cli
