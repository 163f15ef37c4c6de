#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qmk {

// Whether a file's bytes read whole as a command file: a header of a known format, then every
// command record and every LIST record the counts promise. Nothing when they do, else what is
// wrong with them, said for the user ("its header names no format of Dragon's", "it is damaged
// at byte 1234, in the record after "open mail"").
std::optional<std::string> commandFileProblem(std::string_view image);

} // namespace qmk
