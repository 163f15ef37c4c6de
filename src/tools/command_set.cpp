#include "tools/command_set.h"

#include "common/codepage.h"
#include "common/file_io.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "format/body_decoders.h"
#include "format/record.h"
#include "loader/row_builder.h"

namespace qmk {

std::variant<CommandSet, std::string> readCommandSet(const std::filesystem::path& file,
                                                     const KeyNames& keys) {
    const auto image = readWholeFile(file);
    if (!image)
        return utf8Of(file) + ": cannot be read";
    CommandSet set;
    set.file = file;
    if (!decodeHeader(*image, set.properties) ||
        set.properties.generation == layout::Generation::Unknown)
        return utf8Of(file) + ": not a command file";
    try {
        ImageReader in(*image, layout::kFirstRecordPosition);
        const auto commands = in.u16At(layout::kCommandCountPosition);
        for (std::uint32_t i = 0; i < commands; ++i) {
            const auto record = readCommandRecord(in, set.properties.generation, keys);
            if (record.notLoaded())
                continue;
            const auto row = commandRow(record, {}, {});
            SetItem item;
            item.program = row.program;
            item.scope = row.scope;
            item.name = row.name;
            item.type = row.type;
            item.description = row.description;
            item.group = row.group;
            item.body = row.script;
            if (record.graphicsize > 0) // the body as stored: the graphic, then the text
                item.graphic = image->substr(record.offsetbody - 1, record.end - record.offsetbody);
            for (const auto state : record.stateNames)
                item.states.push_back(codepage::toUtf8(state));
            item.encrypted = record.encrypted;
            set.items.push_back(std::move(item));
        }
        const auto lists = in.u32Low16();
        for (std::uint32_t i = 0; i < lists; ++i) {
            const auto record = readListRecord(in);
            const auto row = listRow(record, {});
            SetItem item;
            item.list = true;
            item.program = item.scope = kGlobalCommands;
            item.name = row.name;
            item.type = ItemType::List;
            item.group = row.group;
            item.body = row.script;
            set.items.push_back(std::move(item));
        }
    } catch (const FileDamage& damage) {
        return utf8Of(file) + ": " +
               (damage.kind() == FileDamage::Kind::UnknownStepCode
                    ? "unknown step code " + std::to_string(damage.stepCode())
                    : "damaged at position " + std::to_string(damage.position()));
    }
    return set;
}

std::variant<CommandSet, std::string> readCommandSet(const std::filesystem::path& file,
                                                     const ProgramDir& home) {
    return readCommandSet(file, KeyNames::load(home.file(files::kKeyNames)).value_or(KeyNames{}));
}

} // namespace qmk
