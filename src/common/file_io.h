#pragma once

#include "common/utf8_path.h"

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qmk {

// The largest file the program reads whole: positions in a command file are 32-bit.
inline constexpr std::uint64_t kLargestImage = 0x7fffffff;

// A whole regular file in memory; nullopt when it cannot be opened or read.
std::optional<std::string> readWholeFile(const std::filesystem::path& file);
// The first `count` bytes of a regular file, all of it when shorter; nullopt as readWholeFile.
std::optional<std::string> readFileStart(const std::filesystem::path& file, std::uint64_t count);

// A file operation that failed, with the path and the system's reason.
class FileError : public std::runtime_error {
public:
    FileError(const std::filesystem::path& path, const std::string& reason)
        : std::runtime_error(utf8Of(path) + ": " + reason), path_(path) {}
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The writes a rewrite of the command file makes, behind one seam so that tests can make any
// step fail. Each throws FileError.
class FileOps {
public:
    virtual ~FileOps() = default;
    // Creates or truncates the file, writes the bytes, flushes them to disk.
    virtual void writeFile(const std::filesystem::path& file, std::string_view bytes);
    // The same without the flush to disk, for scratch copies that nothing depends on.
    virtual void writeScratch(const std::filesystem::path& file, std::string_view bytes);
    // A copy that is whole or not there: it is written as replaceFile writes.
    virtual void copyFile(const std::filesystem::path& from, const std::filesystem::path& to);
    // Writes the bytes to a temporary file beside the target, flushes it, then renames it over
    // the target: the target is either whole before or whole after. A file with several hard
    // links is refused unless partHardLinks() was told to go on.
    virtual void replaceFile(const std::filesystem::path& target, std::string_view bytes);
    // A log the user reads after an operation, written whole or appended to. A log that cannot
    // be written never stops the operation it reports on: false, and nothing is thrown.
    virtual bool writeLog(const std::filesystem::path& file, std::string_view text,
                          bool append = false);
    // Told to go on, a file with several hard links is replaced all the same: the name written
    // gets a file of its own, the other names keep the old content.
    void partHardLinks(bool goOn) { partHardLinks_ = goOn; }

    // The file operations of the running program, for callers that are given none.
    static FileOps& system();

protected:
    virtual void renameFile(const std::filesystem::path& from, const std::filesystem::path& to);

private:
    bool partHardLinks_ = false;
};

// The number of names (hard links) a file has; 1 when it cannot be told.
std::uintmax_t hardLinkCount(const std::filesystem::path& file);
// Whether two paths name one file (a link, another spelling of it).
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);
// Why a file with `links` names is not written over without being told to go on.
std::string hardLinksRefusal(std::uintmax_t links);

} // namespace qmk
