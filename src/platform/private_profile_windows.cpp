#include "common/wide_text.h"
#include "platform/private_profile.h"

#include <windows.h>

namespace qmk::profile {

std::string read(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view fallback) {
    wchar_t value[kReadBuffer]{};
    GetPrivateProfileStringW(wide::fromUtf8(section).c_str(), wide::fromUtf8(key).c_str(),
                             wide::fromUtf8(fallback).c_str(), value, kReadBuffer, file.c_str());
    return wide::toUtf8(value);
}

// The system writes the file itself: `files` has no part in it.
bool write(const std::filesystem::path& file, std::string_view section, std::string_view key,
           std::string_view value, FileOps&) {
    return WritePrivateProfileStringW(wide::fromUtf8(section).c_str(), wide::fromUtf8(key).c_str(),
                                      wide::fromUtf8(value).c_str(), file.c_str()) != 0;
}

} // namespace qmk::profile
