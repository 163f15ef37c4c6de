#include "format/xml_encoding.h"

#include "common/codepage.h"

#include <cstdint>

namespace qmk::xmltext {

namespace {

constexpr std::string_view kUtf16Mark = "\xFF\xFE";

// How the bytes are laid out, as their mark or their first "<" shows.
enum class Layout { Bytes, Utf16LE, Utf16BE, Utf32LE, Utf32BE };

const char* layoutName(Layout layout) {
    switch (layout) {
    case Layout::Utf16LE:
        return "UTF-16 (little-endian)";
    case Layout::Utf16BE:
        return "UTF-16 (big-endian)";
    case Layout::Utf32LE:
        return "UTF-32 (little-endian)";
    case Layout::Utf32BE:
        return "UTF-32 (big-endian)";
    case Layout::Bytes:
        break;
    }
    return "single-byte text";
}

struct Detected {
    Layout layout = Layout::Bytes;
    std::size_t mark = 0; // bytes of the byte-order mark
    bool utf8Mark = false;
};

Detected detect(std::string_view b) {
    using namespace std::string_view_literals;
    const std::pair<std::string_view, Detected> marks[] = {
        {"\xEF\xBB\xBF"sv, {Layout::Bytes, 3, true}},
        {"\xFF\xFE\0\0"sv, {Layout::Utf32LE, 4}},
        {"\0\0\xFE\xFF"sv, {Layout::Utf32BE, 4}},
        {"\xFF\xFE"sv, {Layout::Utf16LE, 2}},
        {"\xFE\xFF"sv, {Layout::Utf16BE, 2}},
        {"<\0\0\0"sv, {Layout::Utf32LE, 0}},
        {"\0\0\0<"sv, {Layout::Utf32BE, 0}},
        {"<\0"sv, {Layout::Utf16LE, 0}},
        {"\0<"sv, {Layout::Utf16BE, 0}}};
    for (const auto& [start, detected] : marks)
        if (b.starts_with(start))
            return detected;
    return {};
}

// Code units of 2 or 4 bytes, in the byte order given, as UTF-8.
std::string fromUnits(std::string_view bytes, std::size_t width, bool bigEndian,
                      std::string& error) {
    if (bytes.size() % width != 0) {
        error = std::string("The ") + (width == 2 ? "UTF-16" : "UTF-32") +
                " text ends in half a character";
        return {};
    }
    const auto unit = [&](std::size_t i) {
        char32_t value = 0;
        for (std::size_t k = 0; k < width; ++k) {
            const auto byte =
                static_cast<unsigned char>(bytes[i + (bigEndian ? k : width - 1 - k)]);
            value = value << 8 | byte;
        }
        return value;
    };
    std::string out;
    out.reserve(bytes.size() / width);
    for (std::size_t i = 0; i < bytes.size(); i += width) {
        char32_t c = unit(i);
        if (width == 2 && c >= 0xD800 && c <= 0xDBFF && i + 2 < bytes.size() &&
            unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            error = std::string("The ") + (width == 2 ? "UTF-16" : "UTF-32") +
                    " text holds no character at byte " + std::to_string(i + 1);
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

// The encoding the declaration at the start of the text names, in lower case; empty for none.
std::string declaredEncoding(std::string_view text) {
    const auto end = text.find("?>");
    if (!text.starts_with("<?xml") || end == std::string_view::npos)
        return {};
    std::string declaration(text.substr(0, end));
    for (auto& c : declaration)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    const auto at = declaration.find("encoding");
    if (at == std::string::npos)
        return {};
    const auto open = declaration.find_first_of("\"'", at);
    if (open == std::string::npos)
        return {};
    const auto close = declaration.find(declaration[open], open + 1);
    return close == std::string::npos ? std::string()
                                      : declaration.substr(open + 1, close - open - 1);
}

// The first byte of `text` that is not UTF-8, or npos.
std::size_t firstNonUtf8(std::string_view text) {
    std::size_t i = 0;
    char32_t c = 0;
    while (i < text.size()) {
        const auto at = i;
        if (!codepage::decodeUtf8(text, i, c))
            return at;
    }
    return std::string_view::npos;
}

// Which layouts a declared name stands for; none for a name this program does not read.
bool declarationFits(const std::string& name, Layout layout, bool& known) {
    known = true;
    if (name == "utf-16")
        return layout == Layout::Utf16LE || layout == Layout::Utf16BE;
    if (name == "utf-16le" || name == "utf-16be")
        return layout == (name == "utf-16le" ? Layout::Utf16LE : Layout::Utf16BE);
    if (name == "utf-32")
        return layout == Layout::Utf32LE || layout == Layout::Utf32BE;
    if (name == "utf-32le" || name == "utf-32be")
        return layout == (name == "utf-32le" ? Layout::Utf32LE : Layout::Utf32BE);
    if (name == "utf-8" || name == "windows-1252" || name == "cp1252" || name == "us-ascii")
        return layout == Layout::Bytes;
    known = false;
    return false;
}

// Single-byte text as UTF-8: UTF-8 when it says so or is, else Windows-1252.
std::string fromBytes(std::string_view text, const std::string& declared, bool utf8Mark,
                      std::string& error) {
    const auto bad = firstNonUtf8(text);
    if (declared == "utf-8" || (declared.empty() && (utf8Mark || bad == std::string_view::npos))) {
        if (bad != std::string_view::npos)
            error = "The XML file is not UTF-8 as it says: byte " + std::to_string(bad + 1) +
                    " is no UTF-8 character";
        return std::string(text);
    }
    if (utf8Mark) {
        error = "The XML file declares the encoding \"" + declared +
                "\", but it starts with UTF-8's byte-order mark";
        return {};
    }
    if (declared == "us-ascii")
        for (std::size_t i = 0; i < text.size(); ++i)
            if (static_cast<unsigned char>(text[i]) > 0x7F) {
                error = "The XML file is not US-ASCII as it says: byte " + std::to_string(i + 1) +
                        " is no ASCII character";
                return {};
            }
    return codepage::toUtf8(text);
}

} // namespace

std::string decode(std::string_view bytes, std::string& error) {
    const auto detected = detect(bytes);
    const auto body = bytes.substr(detected.mark);
    const bool wide = detected.layout != Layout::Bytes;
    const bool bigEndian = detected.layout == Layout::Utf16BE || detected.layout == Layout::Utf32BE;
    std::string text;
    if (wide) {
        const std::size_t width =
            detected.layout == Layout::Utf16LE || detected.layout == Layout::Utf16BE ? 2 : 4;
        text = fromUnits(body, width, bigEndian, error);
        if (!error.empty())
            return {};
    }
    // The declaration is ASCII in every layout: read from the text once it is decoded.
    const auto declared = declaredEncoding(wide ? std::string_view(text) : body);
    bool known = true;
    if (!declared.empty() && !declarationFits(declared, detected.layout, known)) {
        error = "The XML file declares the encoding \"" + declared + "\", " +
                (known ? std::string("but its bytes are ") + layoutName(detected.layout)
                       : std::string("which Quillmark10 does not read (it reads UTF-8, UTF-16, "
                                     "UTF-32 and Windows-1252)"));
        return {};
    }
    return wide ? text : fromBytes(body, declared, detected.utf8Mark, error);
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
