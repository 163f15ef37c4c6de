#include "writer/check_string.h"

#include "common/text.h"
#include "format/body_decoders.h"
#include "format/damage_report.h"
#include "format/image_reader.h"
#include "format/record.h"

namespace qmk {

std::optional<Outcome> checkString(std::string_view image, std::string_view text, std::uint32_t end,
                                   std::string_view lastCommand, const ProgramDir& home,
                                   FileOps& files) {
    bool damaged = false;
    for (const char c : text)
        damaged = damaged || static_cast<unsigned char>(c) < 32;
    if (!damaged)
        return std::nullopt;
    const auto position = end - static_cast<std::uint32_t>(text.size());
    files.writeLog(home.file(files::kErrorLog), position >= 1 && position - 1 < image.size()
                                                    ? image.substr(position - 1, kErrorDumpBytes)
                                                    : std::string_view());
    const std::string crlf(kCrLf);
    return Outcome::refused("Parsing error-name = " + std::string(text) + crlf +
                                "Offset = " + std::to_string(position) + crlf +
                                "Last command = " + std::string(lastCommand),
                            "Send error.log to Tarnwell");
}

std::optional<Outcome> guardedWalk(const std::string_view& image, const std::string_view& last,
                                   const ProgramDir& home, FileOps& files, const std::string& title,
                                   const std::function<void()>& walk) {
    std::uint32_t damagedAt = 0;
    try {
        walk();
        return std::nullopt;
    } catch (const FileDamage& damage) {
        if (damage.kind() == FileDamage::Kind::DamagedName)
            return checkString(image, damage.name(),
                               damage.position() + static_cast<std::uint32_t>(damage.name().size()),
                               last, home, files);
        damagedAt = damage.position();
    }
    return Outcome::refused("The command file is damaged near position " +
                                std::to_string(damagedAt) + "; nothing was changed",
                            title);
}

} // namespace qmk
