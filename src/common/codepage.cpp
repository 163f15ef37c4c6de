#include "common/codepage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

namespace qmk::codepage {

namespace {

// 0x80..0x9F; everything else is the byte's own Latin-1 code point.
constexpr std::array<char32_t, 32> kHighControls{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int toByte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<int>(c);
    for (std::size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == c)
            return static_cast<int>(0x80 + i);
    return -1;
}

} // namespace

bool decodeUtf8(std::string_view s, std::size_t& i, char32_t& c) {
    const auto lead = static_cast<unsigned char>(s[i]);
    int extra = 0;
    if (lead < 0x80) {
        c = lead;
    } else if ((lead & 0xE0) == 0xC0) {
        c = lead & 0x1F;
        extra = 1;
    } else if ((lead & 0xF0) == 0xE0) {
        c = lead & 0x0F;
        extra = 2;
    } else if ((lead & 0xF8) == 0xF0) {
        c = lead & 0x07;
        extra = 3;
    } else {
        return false;
    }
    if (i + static_cast<std::size_t>(extra) >= s.size())
        return false;
    for (int k = 1; k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((next & 0xC0) != 0x80)
            return false;
        c = (c << 6) | (next & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return false;
    i += static_cast<std::size_t>(extra) + 1;
    return true;
}

namespace {

std::string describe(char32_t c) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    std::string shown;
    appendUtf8(shown, c);
    return "\"" + shown + "\" (" + code + ")";
}

} // namespace

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t toUnicode(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : char32_t{byte};
}

std::string toUtf8(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size());
    for (const char ch : cp1252) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x80)
            out += ch;
        else
            appendUtf8(out, toUnicode(byte));
    }
    return out;
}

Encoded fromUtf8(std::string_view utf8) {
    Encoded result;
    result.bytes.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            result.bytes += utf8[i++];
            continue;
        }
        char32_t c = 0;
        if (!decodeUtf8(utf8, i, c)) {
            result.bytes.clear();
            result.message = "The text is not valid UTF-8 (at byte " + std::to_string(i + 1) + ")";
            return result;
        }
        const int byte = toByte(c);
        if (byte < 0) {
            result.bytes.clear();
            result.message = "The character " + describe(c) +
                             " cannot be stored in a command file (code page Windows-1252)";
            return result;
        }
        result.bytes += static_cast<char>(byte);
    }
    result.ok = true;
    return result;
}

char toUpper(char ch) {
    const auto b = static_cast<unsigned char>(ch);
    if (b >= 'a' && b <= 'z')
        return static_cast<char>(b - 0x20);
    if (b == 0x9A || b == 0x9C || b == 0x9E) // s, oe, z with caron/ligature
        return static_cast<char>(b - 0x10);
    if (b == 0xFF) // y diaeresis
        return static_cast<char>(0x9F);
    if (b >= 0xE0 && b != 0xF7)
        return static_cast<char>(b - 0x20);
    return ch;
}

bool mayContain(std::string_view utf8Text, std::string_view utf8Needle, bool matchCase) {
    // UTF-8 never starts a character inside another, so a byte match is a character match.
    if (matchCase)
        return utf8Text.find(utf8Needle) != std::string_view::npos;
    // Upper case keeps ASCII letters ASCII and every other character outside ASCII, so an ASCII
    // needle matches upper-cased exactly where it matches with ASCII letters folded.
    for (const char c : utf8Needle)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; };
    return std::search(utf8Text.begin(), utf8Text.end(), utf8Needle.begin(), utf8Needle.end(),
                       [&](char a, char b) { return fold(a) == fold(b); }) != utf8Text.end();
}

std::string toUpper(std::string_view cp1252) {
    std::string out(cp1252);
    for (char& ch : out)
        ch = toUpper(ch);
    return out;
}

} // namespace qmk::codepage
