#pragma once

#include <string>
#include <string_view>

// The one place where the command file's Windows-1252 bytes meet the program's UTF-8 text.
// Every one of the 256 byte values has its own character, so a round trip never loses a byte;
// the five bytes Windows leaves undefined map to U+0081, U+008D, U+008F, U+0090 and U+009D.
namespace qmk::codepage {

char32_t toUnicode(unsigned char byte);
// Appends a character as UTF-8.
void appendUtf8(std::string& out, char32_t c);
// Reads the UTF-8 sequence at `i` into `c` and moves `i` past it; false on a malformed sequence
// (then `i` is unchanged).
bool decodeUtf8(std::string_view utf8, std::size_t& i, char32_t& c);
std::string toUtf8(std::string_view cp1252);

struct Encoded {
    bool ok = false;
    std::string bytes;   // the Windows-1252 bytes when ok
    std::string message; // why not, naming the character
};
Encoded fromUtf8(std::string_view utf8);

// Upper case of Windows-1252 bytes, letters of the code page included.
std::string toUpper(std::string_view cp1252);
char toUpper(char cp1252);

// A quick look, on the UTF-8 texts themselves, at whether `text` can hold `needle` as the code
// page compares them (upper-cased unless matchCase). False only when it cannot: a search skips
// such texts without converting them.
bool mayContain(std::string_view utf8Text, std::string_view utf8Needle, bool matchCase);

} // namespace qmk::codepage
