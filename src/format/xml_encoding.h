#pragma once

#include <string>
#include <string_view>

// The encodings of XML command sets: UTF-16LE with its byte-order mark (what newer Dragon
// versions write), Windows-1252 (older ones) and UTF-8. The program works in UTF-8 throughout.
namespace qmk::xmltext {

enum class Encoding { Utf16, Windows1252 };

// The file's text as UTF-8. The bytes decide, not the declaration: a UTF-16 mark (or "<" then a
// zero byte) means UTF-16LE, a UTF-8 mark or a declaration of UTF-8 means UTF-8, and anything else
// is single-byte Windows-1252 (some files declare utf-16 over single-byte text). An odd UTF-16
// length or a lone surrogate sets `error`.
std::string decode(std::string_view bytes, std::string& error);

// UTF-8 text as the file's bytes: UTF-16LE with its mark, or Windows-1252 (the text must hold
// only characters of that code page).
std::string encode(std::string_view utf8, Encoding encoding);

// The name the XML declaration gives the encoding.
std::string_view declaredName(Encoding encoding);

} // namespace qmk::xmltext
