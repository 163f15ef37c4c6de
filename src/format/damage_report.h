#pragma once

#include "common/file_io.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace qmk {

// What `error.log` says of a damaged command file. Texts are the file's own bytes.
struct DamageReport {
    std::uint32_t dumpFrom = 22; // the previous record's position
    std::string badName;
    std::string previousName;
    std::string previousType;
    std::string previousScript;
    std::uint32_t position = 0;
    std::uint32_t commandIndex = 0;
    std::uint32_t commandCount = 0;
    std::uint32_t listIndex = 0;
    std::uint32_t listCount = 0;
    std::string parmtime;
    std::string filetime;
};

inline constexpr std::size_t kErrorDumpBytes = 3000;

// Replaces `error.log`: up to 3000 bytes of the image from the previous record, then the report.
void writeDamageReport(FileOps& files, const std::filesystem::path& file, std::string_view image,
                       const DamageReport& report);

// After a failed parse: "NOW TRACE" and the whole trace file, appended to `error.log`.
void appendTraceToErrorLog(FileOps& files, const std::filesystem::path& errorLog,
                           const std::filesystem::path& trace);

} // namespace qmk
