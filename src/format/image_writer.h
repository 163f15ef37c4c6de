#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qmk {

// Writers mirror the reader: the smallest count prefix form, the counted string, the 32-bit
// little-endian field.
void appendCount(std::string& out, std::uint32_t count);
void appendCountedString(std::string& out, std::string_view bytes);
void appendU32(std::string& out, std::uint32_t value);

} // namespace qmk
