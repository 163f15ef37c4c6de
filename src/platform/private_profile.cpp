#include "platform/private_profile.h"

#include "common/codepage.h"

#include <optional>
#include <vector>

namespace qmk::profile {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

char folded(char c) {
    if (c == '/')
        return '\\';
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
    a = trimmed(a);
    b = trimmed(b);
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (folded(a[i]) != folded(b[i]))
            return false;
    return true;
}

std::vector<std::string> linesOf(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const auto end = std::min(text.find('\n'), text.size());
        auto line = text.substr(0, end);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        lines.emplace_back(line);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return lines;
}

std::string fileText(const std::filesystem::path& file) {
    return readWholeFile(file).value_or(std::string());
}

// The section a line opens, if it is a section header.
std::optional<std::string_view> sectionOf(std::string_view line) {
    line = trimmed(line);
    if (line.size() < 2 || line.front() != '[')
        return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return line.substr(1, close - 1);
}

// The key of a "key=value" line, if it is one.
std::optional<std::string_view> keyOf(std::string_view line) {
    if (trimmed(line).starts_with(';'))
        return std::nullopt;
    const auto equals = line.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    return line.substr(0, equals);
}

// Lines [begin, end) of the section, the header excluded; begin is npos when it is missing.
std::pair<std::size_t, std::size_t> findSection(const std::vector<std::string>& lines,
                                                std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = sectionOf(lines[i]);
        if (!name || !sameName(*name, section))
            continue;
        std::size_t end = i + 1;
        while (end < lines.size() && !sectionOf(lines[end]))
            ++end;
        return {i + 1, end};
    }
    return {std::string::npos, std::string::npos};
}

} // namespace

namespace portable {

std::string readText(std::string_view text, std::string_view section, std::string_view key,
                     std::string_view fallback) {
    const auto lines = linesOf(text);
    const auto [begin, end] = findSection(lines, section);
    std::string value(fallback);
    if (begin != std::string::npos) {
        for (std::size_t i = begin; i < end; ++i) {
            const auto found = keyOf(lines[i]);
            if (!found || !sameName(*found, key))
                continue;
            auto quoted = trimmed(std::string_view(lines[i]).substr(found->size() + 1));
            if (quoted.size() >= 2 && (quoted.front() == '"' || quoted.front() == '\'') &&
                quoted.back() == quoted.front())
                quoted = quoted.substr(1, quoted.size() - 2);
            value = std::string(quoted);
            break;
        }
    }
    if (value.size() > kReadBuffer - 1)
        value.resize(kReadBuffer - 1);
    return value;
}

std::string rewritten(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view value) {
    auto lines = linesOf(text);
    const std::string entry = std::string(key) + "=" + std::string(value);
    const auto [begin, end] = findSection(lines, section);
    if (begin == std::string::npos) {
        lines.push_back("[" + std::string(section) + "]");
        lines.push_back(entry);
    } else {
        std::size_t at = end;
        bool replaced = false;
        for (std::size_t i = begin; i < end && !replaced; ++i) {
            const auto found = keyOf(lines[i]);
            if (found && sameName(*found, key)) {
                // The key keeps the spelling it has in the file, as Windows keeps it.
                lines[i] = std::string(trimmed(*found)) + "=" + std::string(value);
                replaced = true;
            }
        }
        if (!replaced) {
            // After the section's last entry, before any blank lines that close it.
            while (at > begin && trimmed(lines[at - 1]).empty())
                --at;
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), entry);
        }
    }
    std::string result;
    for (const auto& line : lines)
        result += line + "\r\n";
    return result;
}

std::string read(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view fallback) {
    return readText(fileText(file), section, key, fallback);
}

bool write(const std::filesystem::path& file, std::string_view section, std::string_view key,
           std::string_view value, FileOps& files) {
    try {
        files.replaceFile(file, rewritten(fileText(file), section, key, value));
    } catch (const FileError&) {
        return false;
    }
    return true;
}

} // namespace portable

std::string readDragon(const std::filesystem::path& file, std::string_view section,
                       std::string_view key, std::string_view fallback) {
    const auto bytes = [](std::string_view utf8) {
        auto encoded = codepage::fromUtf8(utf8);
        return encoded.ok ? std::move(encoded.bytes) : std::string();
    };
    // Read on the code page's bytes, so that the 249-character cut falls between characters.
    return codepage::toUtf8(
        portable::readText(fileText(file), bytes(section), bytes(key), bytes(fallback)));
}

bool writeDragon(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view value, FileOps& files) {
    const auto encoded = codepage::fromUtf8(
        portable::rewritten(codepage::toUtf8(fileText(file)), section, key, value));
    if (!encoded.ok)
        return false;
    try {
        files.replaceFile(file, encoded.bytes);
    } catch (const FileError&) {
        return false;
    }
    return true;
}

#ifndef _WIN32
std::string read(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view fallback) {
    return portable::read(file, section, key, fallback);
}

bool write(const std::filesystem::path& file, std::string_view section, std::string_view key,
           std::string_view value, FileOps& files) {
    return portable::write(file, section, key, value, files);
}
#endif

} // namespace qmk::profile
