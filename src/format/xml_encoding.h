#pragma once

#include <string>
#include <string_view>

// The encodings of XML command sets: UTF-16LE with its byte-order mark (what newer Dragon
// versions write), Windows-1252 (older ones) and UTF-8. The program works in UTF-8 throughout.
namespace qmk::xmltext {

enum class Encoding { Utf16, Windows1252 };

// The file's text as UTF-8. The bytes decide how it is laid out: a byte-order mark, else the zero
// bytes around its first "<" (UTF-16 and UTF-32, either byte order); single bytes are UTF-8
// when they say so or are valid UTF-8, else Windows-1252 (as older Dragon versions write). A
// declaration must agree with the bytes and name an encoding this program reads; one that does
// not, and text that is not what it claims, set `error`.
std::string decode(std::string_view bytes, std::string& error);

// UTF-8 text as the file's bytes: UTF-16LE with its mark, or Windows-1252 (the text must hold
// only characters of that code page).
std::string encode(std::string_view utf8, Encoding encoding);

// The name the XML declaration gives the encoding.
std::string_view declaredName(Encoding encoding);

} // namespace qmk::xmltext
