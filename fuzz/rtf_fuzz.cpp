// Arbitrary bytes as the rich text of a Text and Graphics command: never a crash, and every
// run's text is well-formed UTF-8.
#include "format/rich_text.h"

#include <cstdint>
#include <cstdlib>

namespace {
bool wellFormed(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view rtf(reinterpret_cast<const char*>(data), size);
    for (const auto& run : qmk::readRichText(rtf))
        if (!wellFormed(run.text))
            std::abort();
    return 0;
}
