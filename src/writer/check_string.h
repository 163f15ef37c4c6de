#pragma once

#include "common/program_dir.h"
#include "writer/update_engine.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace qmk {

// The walker's stop on a corrupt name: when a byte of the string just read is below 32, writes
// `error.log` (the image from the string on, at most 3000 bytes) and returns the refusal the
// program shows before it ends. `end` is the position just after the string.
std::optional<EditResult> CheckString(std::string_view image, std::string_view text,
                                      std::uint32_t end, std::string_view lastCommand,
                                      const ProgramDir& home);

} // namespace qmk
