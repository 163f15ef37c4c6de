#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>

namespace qmk {

// The key-name table: entry k names key code k. Entry 0 stays empty; line k of the `keynames`
// file fills entry k (an empty line reads "Unknown"); lines past 256 are ignored.
class KeyNames {
public:
    static constexpr std::size_t kEntries = 257;

    static std::optional<KeyNames> load(const std::filesystem::path& file);
    static KeyNames fromText(std::string_view text);

    const std::string& operator[](std::size_t code) const { return names_.at(code); }

private:
    std::array<std::string, kEntries> names_;
};

} // namespace qmk
