#pragma once

#include "common/file_io.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qmk {

// Every write of a file that is the user's goes through here: the command file an operation
// edits, a command file an export or an import makes or adds to, an XML file, a report. What
// may not be written is refused before anything is; what is written is whole, read back, and
// the file as it was is put back when it does not read back.
struct WriteTarget {
    enum class Kind {
        Edited,      // the command file an operation edits (a parse verifies it after)
        CommandFile, // a command file an export or an import makes or adds to
        Text,        // an XML file or a report: never a command file
    };
    std::filesystem::path file;
    Kind kind = Kind::Edited;
    std::filesystem::path source;       // the file the operation reads; empty for none
    std::filesystem::path usersOwnFile; // the current Dragon user's own file, when known

    static WriteTarget edited(std::filesystem::path file) {
        return {std::move(file), Kind::Edited, {}, {}};
    }
};

inline constexpr const char* kReadOnlyCommandFile = "The command file is read-only";
inline constexpr const char* kChangedSinceRead =
    "another program changed it since it was read: nothing was written, read it again and "
    "repeat the change";
inline constexpr const char* kOverwriteQuestion = "File already exists.  Overwrite?";

// A file whose every write permission is off (Windows' read-only attribute).
bool readOnlyFile(const std::filesystem::path& file);

// Why the target may not be written, said before anything is: it is the file the commands come
// from, the user's own command file (for anything but an edit of it), a command file (for a
// text), a folder, read-only, or its folder is missing or cannot be written to. Nothing when it
// may.
std::optional<std::string> writeRefusal(const WriteTarget& target);

// Writes `bytes` over the target whole while holding its lock, then reads it back: when it does
// not read back as written (a command file: when it does not read as a command file), the file
// as it was is put back and FileError thrown. Given `before`, the file as the operation read it,
// a file that no longer holds it is refused: another program changed it meanwhile.
void writeTarget(FileOps& files, const WriteTarget& target, std::string_view bytes,
                 const std::string* before = nullptr,
                 std::chrono::milliseconds lockWait = std::chrono::seconds(20));

} // namespace qmk
