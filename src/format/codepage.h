#pragma once

#include <string>
#include <string_view>

// The one place where the command file's Windows-1252 bytes meet the program's UTF-8 text.
// Every one of the 256 byte values has its own character, so a round trip never loses a byte;
// the five bytes Windows leaves undefined map to U+0081, U+008D, U+008F, U+0090 and U+009D.
namespace qmk::codepage {

char32_t toUnicode(unsigned char byte);
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

} // namespace qmk::codepage
