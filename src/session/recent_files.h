#pragma once

#include "session/settings.h"

#include <string>
#include <vector>

namespace qmk {

inline constexpr const char* kRecentFilesSection = "Recent files";
inline constexpr std::size_t kRecentFilesKept = 8;

// The command files opened last, newest first, kept in the settings file's "Recent files"
// section as "count" and the keys "1" to the count.
class RecentFiles {
public:
    explicit RecentFiles(const Settings& settings) : settings_(settings) {}

    std::vector<std::string> list() const;
    // `file` goes first; an older entry of it goes, and so does the ninth.
    void add(const std::string& file) const;

private:
    const Settings& settings_;
};

} // namespace qmk
