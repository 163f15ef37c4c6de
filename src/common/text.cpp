#include "common/text.h"

#include <algorithm>
#include <cstdio>

namespace qmk {

bool isGlobalCommandsName(std::string_view text) {
    return text == kGlobalCommands || text == kGlobalCommandsDutch;
}

namespace {
void dropTrailing(std::string& text, char c) {
    while (!text.empty() && text.back() == c)
        text.pop_back();
}
} // namespace

std::string& trimTrailingWhiteSpace(std::string& text) {
    dropTrailing(text, ' ');
    dropTrailing(text, '\t');
    dropTrailing(text, ' ');
    while (text.size() >= 2 && text.compare(text.size() - 2, 2, kCrLf) == 0)
        text.resize(text.size() - 2);
    return text;
}

std::string_view trimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string fitToWidth(std::string_view text, std::size_t width) {
    std::string fitted(text.substr(0, width));
    fitted.resize(width, ' ');
    return fitted;
}

std::string lower(std::string text) {
    for (auto& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string comparablePath(std::string text) {
#ifdef _WIN32
    for (auto& c : text)
        if (c == '\\')
            c = '/';
#endif
    return lower(std::move(text));
}

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    if (from.empty())
        return text;
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string quotedText(std::string_view text) {
    constexpr std::size_t kShown = 80;
    std::string out;
    std::size_t characters = 0, i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80             ? 1
                                   : (lead & 0xE0) == 0xC0 ? 2
                                   : (lead & 0xF0) == 0xE0 ? 3
                                   : (lead & 0xF8) == 0xF0 ? 4
                                                           : 0;
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k)
            valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        if (++characters <= kShown) {
            if (valid) {
                out.append(text.substr(i, length));
            } else {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\x%02X", lead);
                out += escaped;
            }
        }
        i += valid ? length : 1;
    }
    if (characters > kShown)
        out += "... (" + std::to_string(characters) + " characters)";
    return out;
}

bool backslashesDoubled(std::string_view text) {
    std::size_t run = 0;
    for (const char c : text) {
        if (c == '\\') {
            ++run;
            continue;
        }
        if (run % 2 != 0)
            return false;
        run = 0;
    }
    return run % 2 == 0;
}

std::string undoubledBackslashes(std::string_view text) {
    return replaceAll(std::string(text), "\\\\", "\\");
}

std::string doubledBackslashes(std::string_view text) {
    return replaceAll(std::string(text), "\\", "\\\\");
}

std::string namesInSentence(const std::vector<std::string>& names, std::size_t most) {
    const auto shown = std::min(names.size(), most);
    std::string text;
    for (std::size_t i = 0; i < shown; ++i)
        text += (i == 0 ? "" : i + 1 == shown && names.size() <= most ? " and " : ", ") + names[i];
    if (names.size() > most)
        text += " and " + std::to_string(names.size() - most) + " more";
    return text;
}

} // namespace qmk
