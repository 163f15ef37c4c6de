#include "session/recent_files.h"

#include <algorithm>
#include <charconv>

namespace qmk {

std::vector<std::string> RecentFiles::list() const {
    const auto countText = settings_.read("count", "0", kRecentFilesSection);
    std::size_t count = 0;
    std::from_chars(countText.data(), countText.data() + countText.size(), count);
    std::vector<std::string> files;
    for (std::size_t i = 1; i <= std::min(count, kRecentFilesKept); ++i) {
        auto file = settings_.read(std::to_string(i), "", kRecentFilesSection);
        if (!file.empty())
            files.push_back(std::move(file));
    }
    return files;
}

void RecentFiles::add(const std::string& file) const {
    auto files = list();
    std::erase(files, file);
    files.insert(files.begin(), file);
    if (files.size() > kRecentFilesKept)
        files.resize(kRecentFilesKept);
    settings_.write("count", std::to_string(files.size()), kRecentFilesSection);
    for (std::size_t i = 0; i < files.size(); ++i)
        settings_.write(std::to_string(i + 1), files[i], kRecentFilesSection);
}

} // namespace qmk
