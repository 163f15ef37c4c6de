#include "common/file_time.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <sys/stat.h>

namespace qmk {

namespace {
std::tm localParts(const FileTime& time) {
    const std::time_t seconds = static_cast<std::time_t>(time.nanoseconds / 1'000'000'000);
    std::tm parts{};
    localtime_r(&seconds, &parts);
    return parts;
}

std::string formatted(const FileTime& time, const char* format) {
    const std::tm parts = localParts(time);
    char buffer[64];
    const auto length = std::strftime(buffer, sizeof buffer, format, &parts);
    return std::string(buffer, length);
}
} // namespace

std::string FileTime::display() const {
    return formatted(*this, "%Y-%m-%d %H:%M:%S");
}

std::string FileTime::stored() const {
    char fraction[16];
    std::snprintf(fraction, sizeof fraction, ".%09lld",
                  static_cast<long long>(nanoseconds % 1'000'000'000));
    return display() + fraction;
}

std::optional<FileTime> modificationTime(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0)
        return std::nullopt;
    return FileTime{static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 +
                    info.st_mtim.tv_nsec};
}

std::string mmddyy(const FileTime& time) {
    return formatted(time, "%m%d%y");
}

FileTime now() {
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    return FileTime{std::chrono::duration_cast<std::chrono::nanoseconds>(since).count()};
}

} // namespace qmk
