#include "writer/check_string.h"

#include "common/text.h"
#include "format/damage_report.h"

#include <fstream>

namespace qmk {

std::optional<EditResult> CheckString(std::string_view image, std::string_view text,
                                      std::uint32_t end, std::string_view lastCommand,
                                      const ProgramDir& home) {
    bool damaged = false;
    for (const char c : text)
        damaged = damaged || static_cast<unsigned char>(c) < 32;
    if (!damaged)
        return std::nullopt;
    const auto position = end - static_cast<std::uint32_t>(text.size());
    std::ofstream log(home.file(files::kErrorLog), std::ios::binary | std::ios::trunc);
    if (position >= 1 && position - 1 < image.size())
        log << image.substr(position - 1, kErrorDumpBytes);
    const std::string crlf(kCrLf);
    return EditResult::refused("Parsing error-name = " + std::string(text) + crlf +
                                   "Offset = " + std::to_string(position) + crlf +
                                   "Last command = " + std::string(lastCommand),
                               "Send error.log to Tarnwell");
}

} // namespace qmk
