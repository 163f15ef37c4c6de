#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmk {

struct RichColour {
    std::uint8_t red = 0, green = 0, blue = 0;
    bool operator==(const RichColour&) const = default;
};

// One piece of formatted text: a run of characters in one format, or a paragraph break.
struct RichRun {
    std::string text; // UTF-8; empty for a paragraph break
    bool paragraphBreak = false;
    bool bold = false, italic = false, underline = false;
    int halfPoints = 24;
    std::optional<RichColour> colour; // none: the default colour
};

// Reads the rich text (RTF) of a Text and Graphics command: groups, paragraphs and line breaks
// (U+2028), tabs, bold, italic, underline, font size, the colour table, \'hh (in the code page)
// and \uN escapes. Font tables, style sheets, pictures and other destinations are passed over.
// Any bytes at all are read without fault; what is not RTF is taken as text.
std::vector<RichRun> readRichText(std::string_view rtf);

// The smallest rich text (RTF) that shows `cp1252Text` as it is: one font, line breaks as
// paragraphs, the code page's upper half as \'hh. Exports give plain text this rendering, and
// imports read a rendering equal to it back as plain text.
std::string minimalRichText(std::string_view cp1252Text);

} // namespace qmk
