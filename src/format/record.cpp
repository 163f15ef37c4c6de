#include "format/record.h"

#include "common/text.h"
#include "format/body_decoders.h"
#include "format/image_writer.h"

namespace qmk {

std::string_view readRecordName(ImageReader& in) {
    const auto name = in.string();
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 32)
            throw FileDamage::damagedName(std::string(name),
                                          in.position() - static_cast<std::uint32_t>(name.size()));
    return name;
}

namespace {

void readAvailability(ImageReader& in, CommandRecord& r) {
    switch (r.availability()) {
    case layout::kApplication:
        r.program = in.string();
        r.programDescription = in.string();
        r.companyName = in.string();
        break;
    case layout::kWindow:
        r.program = in.string();
        r.programDescription = in.string();
        r.companyName = in.string();
        r.windowTitle = in.string();
        r.windowClass = in.string();
        break;
    default:
        break;
    }
}

void readBody(ImageReader& in, CommandRecord& r, const KeyNames& keys) {
    switch (r.typeByte) {
    case layout::kTextAndGraphics:
        r.graphicsize = in.count();
        in.skip(r.graphicsize);
        r.script = in.string();
        break;
    case layout::kMacroRecorder:
        r.script = decodeRecorderBody(in, keys);
        break;
    case layout::kStepByStep:
        r.script = decodeStepByStepBody(in, keys);
        break;
    case layout::kAdvancedScripting:
    case layout::kScript:
    case layout::kKeystrokes:
        r.script = in.string();
        break;
    default:
        break; // nothing follows the pre-body block
    }
}

} // namespace

ItemType CommandRecord::type() const {
    return itemTypeOf(typeByte, graphicsize);
}

ItemType itemTypeOf(std::uint8_t typeByte, std::uint32_t graphicSize) {
    switch (typeByte) {
    case layout::kTextAndGraphics:
        return graphicSize > 0 ? ItemType::TextAndGraphics : ItemType::PlainText;
    case layout::kMacroRecorder:
        return ItemType::MacroRecorder;
    case layout::kStepByStep:
        return ItemType::StepByStep;
    case layout::kAdvancedScripting:
        return ItemType::AdvancedScript;
    case layout::kScript:
        return ItemType::Script;
    case layout::kKeystrokes:
        return ItemType::Keys;
    default:
        return ItemType::None;
    }
}

CommandRecord readCommandRecord(ImageReader& in, layout::Generation generation,
                                const KeyNames& keys) {
    using layout::RecordField;
    const auto fields = layout::recordLayout(generation);
    CommandRecord r;
    r.offset = in.position();
    for (const auto field : layout::kRecordFields) {
        if (!fields.holds(field))
            continue;
        switch (field) {
        case RecordField::Name:
            r.name = readRecordName(in);
            break;
        case RecordField::ListReferences:
            r.listReferences = static_cast<std::uint8_t>(in.u32());
            for (int i = 0; i < r.listReferences; ++i)
                in.string();
            break;
        case RecordField::Description:
            r.description = in.string();
            break;
        case RecordField::Group:
            r.group = in.string();
            break;
        case RecordField::ScopeByte:
            r.scopeBytePosition = in.position();
            r.scopeByte = in.byte();
            break;
        case RecordField::ReservedBlock:
            in.skip(layout::kReservedBlockSize);
            break;
        case RecordField::ProgramIdentity:
            readAvailability(in, r);
            break;
        case RecordField::States: {
            const std::uint32_t states = in.u32();
            for (std::uint32_t i = 0; i < states; ++i)
                r.stateNames.push_back(in.string());
            break;
        }
        case RecordField::TypeByte:
            r.typeByte = in.byte();
            r.typeByteEnd = in.position();
            break;
        case RecordField::EncryptionByte:
            r.encrypted = in.byte() != 0;
            break;
        case RecordField::PreBodyBlock:
            if (r.encrypted) {
                in.skip(layout::kEncryptedPreBodySize);
                in.string();
            } else {
                in.skip(layout::kPreBodyBlockSize);
            }
            break;
        case RecordField::Body:
            r.offsetbody = in.position();
            readBody(in, r, keys);
            break;
        }
    }
    r.end = in.position();
    return r;
}

void appendBlankFieldsAfterType(std::string& out, const layout::RecordLayout& fields) {
    if (fields.encryptionByte)
        out += '\0';
    if (fields.preBodyBlock)
        out.append(layout::kPreBodyBlockSize, '\0');
}

ListRecord readListRecord(ImageReader& in) {
    ListRecord list;
    list.offset = in.position();
    list.name = readRecordName(in);
    in.skip(4); // the LIST marker
    const std::uint16_t items = in.u32Low16();
    list.items.reserve(items);
    for (std::uint32_t i = 0; i < items; ++i)
        list.items.push_back(in.string());
    list.end = in.position();
    return list;
}

std::string listRecordBytes(std::string_view name, const std::vector<std::string>& items) {
    std::string record;
    appendCountedString(record, name);
    appendU32(record, layout::kListMarker);
    appendU32(record, static_cast<std::uint32_t>(items.size()));
    for (const auto& item : items)
        appendCountedString(record, item);
    return record;
}

std::string joinListItems(const std::vector<std::string_view>& items) {
    std::string script;
    for (const auto item : items) {
        script += item;
        script += kCrLf;
    }
    return script;
}

} // namespace qmk
