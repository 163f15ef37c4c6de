#include "common/file_time.h"

#include "common/native.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace qmk {

std::tm localParts(const FileTime& time) {
    return native::localTime(static_cast<std::time_t>(time.nanoseconds / 1'000'000'000));
}

namespace {

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
    const auto nanoseconds = native::modifiedNanoseconds(file);
    if (!nanoseconds)
        return std::nullopt;
    return FileTime{*nanoseconds};
}

std::string mmddyy(const FileTime& time) {
    return formatted(time, "%m%d%y");
}

FileTime now() {
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    return FileTime{std::chrono::duration_cast<std::chrono::nanoseconds>(since).count()};
}

} // namespace qmk
