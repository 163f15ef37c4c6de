#include "format/xml_encoding.h"

#include "format/codepage.h"

#include <cstdint>

namespace qmk::xmltext {

namespace {

constexpr std::string_view kUtf16Mark = "\xFF\xFE";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

std::string fromUtf16(std::string_view bytes, std::string& error) {
    if (bytes.size() % 2 != 0) {
        error = "The UTF-16 text ends in half a character";
        return {};
    }
    std::string out;
    out.reserve(bytes.size() / 2);
    const auto unit = [&](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[i]) |
                                     static_cast<unsigned char>(bytes[i + 1]) << 8);
    };
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 2 < bytes.size() && unit(i + 2) >= 0xDC00 &&
            unit(i + 2) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            error = "The UTF-16 text holds half a character pair at byte " + std::to_string(i + 1);
            return {};
        }
        codepage::appendUtf8(out, c);
    }
    return out;
}

void appendUnit(std::string& out, char32_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
}

std::string toUtf16(std::string_view utf8) {
    std::string out(kUtf16Mark);
    out.reserve(utf8.size() * 2 + 2);
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t c = 0;
        if (!codepage::decodeUtf8(utf8, i, c)) {
            c = 0xFFFD; // the program's own text is valid UTF-8; never reached from it
            ++i;
        }
        if (c >= 0x10000) {
            appendUnit(out, 0xD800 + ((c - 0x10000) >> 10));
            appendUnit(out, 0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            appendUnit(out, c);
        }
    }
    return out;
}

// Whether the declaration at the start of single-byte text names UTF-8.
bool declaresUtf8(std::string_view text) {
    const auto end = text.find("?>");
    if (!text.starts_with("<?xml") || end == std::string_view::npos)
        return false;
    std::string declaration(text.substr(0, end));
    for (auto& c : declaration)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return declaration.find("\"utf-8\"") != std::string::npos ||
           declaration.find("'utf-8'") != std::string::npos;
}

} // namespace

std::string decode(std::string_view bytes, std::string& error) {
    if (bytes.starts_with(kUtf16Mark))
        return fromUtf16(bytes.substr(kUtf16Mark.size()), error);
    // UTF-16LE without its mark still shows itself: "<" followed by a zero byte.
    if (bytes.size() >= 2 && bytes[0] == '<' && bytes[1] == '\0')
        return fromUtf16(bytes, error);
    if (bytes.starts_with(kUtf8Mark))
        return std::string(bytes.substr(kUtf8Mark.size()));
    if (declaresUtf8(bytes))
        return std::string(bytes);
    return codepage::toUtf8(bytes);
}

std::string encode(std::string_view utf8, Encoding encoding) {
    if (encoding == Encoding::Utf16)
        return toUtf16(utf8);
    return codepage::fromUtf8(utf8).bytes;
}

std::string_view declaredName(Encoding encoding) {
    return encoding == Encoding::Utf16 ? "utf-16" : "windows-1252";
}

} // namespace qmk::xmltext
