#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qmk {

// A command record refers to at most this many LISTs.
inline constexpr std::size_t kMaxListReferences = 20;
// A delete keeps the LISTs named by the first this many references of each remaining command.
inline constexpr std::size_t kListsKeptPerName = 30;

// The LIST names a command name refers to, in order: the texts between "<" and the next ">".
std::vector<std::string> listNamesIn(std::string_view name, std::size_t limit = kMaxListReferences);

} // namespace qmk
