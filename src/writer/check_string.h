#pragma once

#include "common/program_dir.h"
#include "writer/update_engine.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qmk {

// The walker's stop on a corrupt name: when a byte of the string just read is below 32, writes
// `error.log` (the image from the string on, at most 3000 bytes) and returns the refusal the
// program shows before it ends. `end` is the position just after the string.
std::optional<Outcome> checkString(std::string_view image, std::string_view text, std::uint32_t end,
                                   std::string_view lastCommand, const ProgramDir& home,
                                   FileOps& files);

// Runs a walk: a damaged name stops it with checkString's report over `image` (the image being
// walked when it stopped) naming `last`, the last name walked; a record that cannot be framed
// stops it with a refusal naming the position.
std::optional<Outcome> guardedWalk(const std::string_view& image, const std::string_view& last,
                                   const ProgramDir& home, FileOps& files, const std::string& title,
                                   const std::function<void()>& walk);

} // namespace qmk
