#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

namespace qmk {

// A file modification time to the nanosecond, so that a file rewritten within the same second
// still counts as changed.
struct FileTime {
    std::int64_t nanoseconds = 0; // since the Unix epoch

    friend bool operator==(const FileTime&, const FileTime&) = default;

    // "2026-12-06 07:15:11" in local time, as the user reads it.
    std::string display() const;
    // The display form followed by the nanoseconds, as the store keeps it.
    std::string stored() const;
};

std::optional<FileTime> modificationTime(const std::filesystem::path& file);

// The time's calendar parts in local time.
std::tm localParts(const FileTime& time);
// A date as "mmddyy" in local time.
std::string mmddyy(const FileTime& time);
FileTime now();

} // namespace qmk
