#pragma once

#include "common/file_time.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace qmk {

// The day's trace file: one line per marker, three texts joined by single blanks.
class Trace {
public:
    Trace() = default; // a trace that writes nowhere
    // Appends when the file was last modified on the day of `today`, else starts it anew.
    Trace(const std::filesystem::path& file, const FileTime& today);

    void mark(const std::string& first, const std::string& second = {},
              const std::string& third = {});

    const std::filesystem::path& file() const { return file_; }

private:
    std::filesystem::path file_;
    std::ofstream out_;
};

} // namespace qmk
