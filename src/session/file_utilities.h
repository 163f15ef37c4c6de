#pragma once

#include "common/file_time.h"
#include "common/trace.h"
#include "store/database.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qmk {

// A failure the program reports and then ends on: the message box's text and title.
struct Fatal {
    std::string message;
    std::string title;
};

// Cuts a file to `length` bytes; each step that fails gives its own message, titled with the
// path.
std::optional<Fatal> truncateFile(const std::filesystem::path& file, std::uint32_t length);

// The header summary of a command file: its format label, date, size and language.
struct HeaderSummary {
    std::string formatLabel; // "6.0", "6.1", "7.x", "8/9", "10.x", or "" for another code
    FileTime modified;
    std::uint32_t size = 0;
    std::string languageName;
    std::uint8_t languageCode = 0;
};
std::optional<HeaderSummary> headerSummary(const std::filesystem::path& file);

// A list text "12 - open mail" without its spoken number: the text after the first "-",
// trimmed, when the text holds a number, a blank, a hyphen and a blank; otherwise the text.
std::string stripSpokenNumber(std::string_view text);

// The store is compacted when its file is larger than this, or when forced.
inline constexpr std::uintmax_t kCompactAbove = 3'000'000;

// Compacts the store into a temporary file beside it and puts that in its place, then reopens
// it; `store` is closed and reopened. Does nothing below the size unless forced.
void compactStore(std::unique_ptr<Database>& store, const std::filesystem::path& file, bool force,
                  Trace& trace);

} // namespace qmk
