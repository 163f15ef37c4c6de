#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qmk {

inline constexpr std::string_view kGlobalCommands = "Global Commands";
inline constexpr std::string_view kGlobalCommandsDutch = "Globale opdrachten";
inline constexpr std::string_view kCrLf = "\r\n";
// The Group selector's entry for every group.
inline constexpr const char* kAllGroups = "All groups";

// True for the global-commands name in either language; the comparison is exact.
bool isGlobalCommandsName(std::string_view text);

// Trailing blanks, then tabs, then blanks again, then CR LF pairs; a blank before a tab before
// a CR LF therefore stays.
std::string& trimTrailingWhiteSpace(std::string& text);

// Leading and trailing blanks (only the blank character, as the file's own texts use it).
std::string_view trimBlanks(std::string_view text);

// ASCII letters in lower case; other bytes as they are, so paths and names compare the way
// Windows compares them without touching the code page.
std::string lower(std::string text);
// A path's text as Windows compares it: letters folded as `lower` folds them, and on Windows "\"
// read as "/" (the program joins some paths with "/", Windows hands out "\"). Same length.
std::string comparablePath(std::string text);

// Every occurrence of `from` replaced by `to`, left to right; a replacement is not searched again.
std::string replaceAll(std::string text, std::string_view from, std::string_view to);

// LIST items, and the KEYS bodies of files exported from Dragon, hold each backslash doubled.
// Whether every run of backslashes in `text` has an even length (so it reads back exactly once
// undoubled), and the two conversions.
bool backslashesDoubled(std::string_view text);
std::string undoubledBackslashes(std::string_view text);
std::string doubledBackslashes(std::string_view text);

// A text the user gave, as a message quotes it: at most 80 characters (then how long it was),
// and any byte that is no UTF-8 shown as \xNN.
std::string quotedText(std::string_view text);

// Names as a sentence lists them: "a", "a and b", "a, b and c"; past `most` names, the first
// `most` and how many more ("a, b and 3 more").
std::string namesInSentence(const std::vector<std::string>& names, std::size_t most);

// Text fitted to width: padded with blanks, or cut to its first `width` bytes.
std::string fitToWidth(std::string_view text, std::size_t width);

} // namespace qmk
