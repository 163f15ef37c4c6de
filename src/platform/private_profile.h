#pragma once

#include "common/file_io.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace qmk {

// Private-profile INI files with the Windows semantics the program relies on: sections and keys
// match without regard to case (and a section named by a path matches with either kind of
// slash), values are read through a 250-character buffer, and a write creates the file, the
// section and the key as needed while keeping every other line.
namespace profile {

inline constexpr std::size_t kReadBuffer = 250; // one place is the terminating NUL

// The value, trimmed of blanks and of one pair of enclosing quotes, cut to 249 characters;
// `fallback` when the file, section or key is missing.
std::string read(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view fallback = {});

// False when the file cannot be written. The file is replaced whole, never left half-written.
bool write(const std::filesystem::path& file, std::string_view section, std::string_view key,
           std::string_view value, FileOps& files = FileOps::system());

// Dragon writes its own INI files in the ANSI code page, Windows-1252 for every language Dragon 10
// speaks, whatever the program's text is: these read and write them through the code page, with
// the program's own reading and writing of the format. A value the code page cannot hold is not
// written (false).
std::string readDragon(const std::filesystem::path& file, std::string_view section,
                       std::string_view key, std::string_view fallback = {});
bool writeDragon(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view value, FileOps& files = FileOps::system());

// The program's own reading and writing of the format, which read() and write() use where the
// system has no profile functions, and readDragon() and writeDragon() everywhere. Windows has them:
// there they are used, through the files' native code page, and this copy is kept to be held
// against them.
namespace portable {
std::string read(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view fallback = {});
bool write(const std::filesystem::path& file, std::string_view section, std::string_view key,
           std::string_view value, FileOps& files = FileOps::system());
// The same on a file's text: a value read, and the text with a value written.
std::string readText(std::string_view text, std::string_view section, std::string_view key,
                     std::string_view fallback = {});
std::string rewritten(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view value);
} // namespace portable

} // namespace profile
} // namespace qmk
