#include "format/image_check.h"

#include "common/codepage.h"
#include "format/file_damage.h"
#include "format/file_properties.h"
#include "format/image_reader.h"
#include "format/record.h"

namespace qmk {

std::optional<std::string> commandFileProblem(std::string_view image) {
    FileProperties properties;
    if (!decodeHeader(image, properties))
        return "it is shorter than a command file's header";
    if (properties.generation == layout::Generation::Unknown)
        return "its header names no format of Dragon's";
    std::string_view last;
    try {
        ImageReader in(image);
        const auto commands = in.u16At(layout::kCommandCountPosition);
        in.setPosition(layout::kFirstRecordPosition);
        for (std::uint32_t i = 0; i < commands; ++i)
            last = readCommandRecord(in, properties.generation, KeyNames{}).name;
        const auto lists = in.u32();
        for (std::uint32_t i = 0; i < lists; ++i)
            last = readListRecord(in).name;
    } catch (const FileDamage& damage) {
        return "it is " + std::string(damage.what()) +
               (last.empty() ? std::string()
                             : ", in the record after \"" + codepage::toUtf8(last) + "\"");
    }
    return std::nullopt;
}

} // namespace qmk
