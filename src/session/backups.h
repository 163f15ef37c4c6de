#pragma once

#include "common/file_io.h"
#include "common/file_time.h"
#include "common/program_dir.h"
#include "common/prompt.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qmk {

inline constexpr const char* kNoneToRollback = "none to rollback";
inline constexpr const char* kPreRollback = "mycmds.prerollback";

// The daily archive of each Dragon user's command file, in a folder per user in the program's
// directory, and the restore from it.
class Backups {
public:
    Backups(ProgramDir home, std::string userBaseDirectory, FileOps& files, Prompt& prompt)
        : home_(std::move(home)), userBase_(std::move(userBaseDirectory)), files_(files),
          prompt_(prompt) {}

    // The Dragon user whose own command file `file` is, if it is one.
    std::optional<std::string> userOf(const std::filesystem::path& file) const;
    std::filesystem::path archiveFolder(const std::string& user) const;
    // "mycmds.mmddyyyy" for the day of `when`.
    static std::string archiveName(const FileTime& when);

    // Keeps today's archive of a user's own command file (replaced when forced, with the
    // message of the manual backup). Other files are never archived. Returns the archive path
    // when one was written.
    std::optional<std::filesystem::path>
    archiveBeforeWrite(const std::filesystem::path& commandFile, bool force, const FileTime& today);
    // The archive names of the month of `today`, or "none to rollback".
    std::vector<std::string> archivesOfThisMonth(const std::string& user,
                                                 const FileTime& today) const;
    // Asks, then keeps the command file as "mycmds.prerollback", copies the archive over it and
    // has `readBack` read it. An archive that is no command file is refused before anything
    // changes; one that does not read back is undone (the file from before put back and read
    // again). False when nothing was restored.
    bool restore(const std::string& user, const std::string& archive,
                 const std::filesystem::path& commandFile, const std::function<bool()>& readBack);

private:
    ProgramDir home_;
    std::string userBase_;
    FileOps& files_;
    Prompt& prompt_;
};

} // namespace qmk
