#include "format/image_writer.h"

#include "format/layout.h"

namespace qmk {

void appendCount(std::string& out, std::uint32_t count) {
    if (count < layout::kCountEscape) {
        out += static_cast<char>(count);
    } else if (count <= layout::kLargestShortCount) {
        out += static_cast<char>(layout::kCountEscape);
        out += static_cast<char>(count & 0xff);
        out += static_cast<char>(count >> 8);
    } else {
        out.append(3, static_cast<char>(layout::kCountEscape));
        appendU32(out, count);
    }
}

void appendCountedString(std::string& out, std::string_view bytes) {
    appendCount(out, static_cast<std::uint32_t>(bytes.size()));
    out += bytes;
}

void appendU32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xff);
}

} // namespace qmk
