#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qmk {

// Paths meet the program's UTF-8 texts here. On Windows a path built from a narrow string would
// take it in the C library's code page, so "Jürgen" would name another folder; the char8_t forms
// convert as UTF-8 on every system.
inline std::filesystem::path pathFromUtf8(std::string_view text) {
#ifdef _WIN32
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
#else
    return std::filesystem::path(text);
#endif
}

inline std::string utf8Of(const std::filesystem::path& path) {
#ifdef _WIN32
    const auto text = path.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
#else
    return path.string();
#endif
}

} // namespace qmk
