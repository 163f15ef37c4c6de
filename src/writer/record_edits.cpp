#include "writer/record_edits.h"

#include "common/codepage.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "format/body_decoders.h"
#include "format/image_reader.h"
#include "format/image_writer.h"
#include "format/keynames.h"
#include "format/record.h"
#include "store/schema.h"
#include "writer/list_names.h"

#include <algorithm>
#include <variant>

namespace qmk {

namespace {

Outcome notReadable(const UpdateEngine& engine) {
    return Outcome::refused("The command file cannot be read",
                            utf8Of(engine.context().commandFile));
}

Outcome changedOutside(const UpdateEngine& engine) {
    return staleStore(utf8Of(engine.context().commandFile));
}

// The record that `row` stands for, checked against the file: its name must be where the store
// says it is.
template <typename Record, typename Read>
std::optional<Record> locate(const UpdateEngine& engine, const UserRow& row, Read read) {
    if (row.offset < static_cast<std::int64_t>(layout::kFirstRecordPosition) ||
        row.offset > static_cast<std::int64_t>(engine.image().size()))
        return std::nullopt;
    try {
        ImageReader in(engine.image(), static_cast<std::uint32_t>(row.offset));
        Record record = read(in);
        if (codepage::toUtf8(record.name) != row.name)
            return std::nullopt;
        return record;
    } catch (const FileDamage&) {
    }
    return std::nullopt;
}

std::optional<CommandRecord> locateCommand(const UpdateEngine& engine, const UserRow& row) {
    return locate<CommandRecord>(engine, row, [&](ImageReader& in) {
        return readCommandRecord(in, engine.generation(), KeyNames{});
    });
}

std::optional<ListRecord> locateList(const UpdateEngine& engine, const UserRow& row) {
    return locate<ListRecord>(engine, row, [](ImageReader& in) { return readListRecord(in); });
}

// LIST text: trailing white space trimmed, then one item per CR LF separated line.
std::vector<std::string> listItems(std::string text) {
    trimTrailingWhiteSpace(text);
    std::vector<std::string> items;
    if (text.empty())
        return items;
    std::size_t start = 0;
    for (auto cut = text.find(kCrLf); cut != std::string::npos; cut = text.find(kCrLf, start)) {
        items.push_back(text.substr(start, cut - start));
        start = cut + 2;
    }
    items.push_back(text.substr(start));
    return items;
}

Outcome commitAndShift(UpdateEngine& engine, const std::string& marker, std::uint32_t from,
                       std::int64_t delta) {
    auto result = engine.commit(marker);
    if (result.done())
        engine.shiftStore(from, delta);
    return result;
}

// The bytes of a record that a new body replaces: positions [start, end) of the file.
struct BodySplice {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    std::string bytes;
};

std::variant<BodySplice, Outcome> listItemsSplice(const UpdateEngine& engine, const UserRow& row,
                                                  std::string_view body) {
    const auto list = locateList(engine, row);
    if (!list)
        return changedOutside(engine);
    const auto text = encodeText(body, "The LIST items", kLargestImage, true);
    if (text.refusal)
        return *text.refusal;
    const auto items = listItems(text.bytes);
    if (items.size() > layout::kLargestRecordCount)
        return Outcome::refused("A LIST holds at most 65,535 items");
    return BodySplice{list->offset, list->end, listRecordBytes(list->name, items)};
}

} // namespace

namespace {
bool hasStringBody(const CommandRecord& record) {
    return record.typeByte == layout::kKeystrokes || record.typeByte == layout::kScript ||
           record.typeByte == layout::kAdvancedScripting;
}
} // namespace

namespace {

// What a new body changes in the file, or why it cannot be written. The engine holds the file.
std::variant<BodySplice, Outcome> bodySplice(const UpdateEngine& engine, const UserRow& row,
                                             std::string_view newBody) {
    if (row.type == ItemType::List)
        return listItemsSplice(engine, row, newBody);
    const auto record = locateCommand(engine, row);
    if (!record)
        return changedOutside(engine);
    // Judged by the record itself: a type byte outside the table has a body of unknown length.
    const bool plainText = record->typeByte == layout::kTextAndGraphics && record->graphicsize == 0;
    if (!(hasStringBody(*record) || plainText) || record->encrypted)
        return Outcome::refused("The body of this command cannot be edited");
    const auto body = encodeForFile(newBody, "The body");
    if (body.refusal)
        return *body.refusal;
    // The old body ends at the record's end: a record the store does not hold may follow.
    BodySplice splice{record->offsetbody, record->end, {}};
    if (record->typeByte == layout::kTextAndGraphics)
        appendCount(splice.bytes, 0); // the graphic size of plain text
    appendCountedString(splice.bytes, body.bytes);
    return splice;
}

} // namespace

Outcome replaceBody(UpdateEngine& engine, const UserRow& row, std::string_view newBody) {
    return replaceBodies(engine, {{row, std::string(newBody)}});
}

Outcome replaceBodies(UpdateEngine& engine, const std::vector<NewBody>& bodies) {
    if (!engine.load())
        return notReadable(engine);
    std::vector<BodySplice> splices;
    splices.reserve(bodies.size());
    for (const auto& [row, body] : bodies) {
        auto splice = bodySplice(engine, row, body);
        if (auto* refusal = std::get_if<Outcome>(&splice))
            return *refusal;
        splices.push_back(std::move(std::get<BodySplice>(splice)));
    }
    std::sort(splices.begin(), splices.end(),
              [](const BodySplice& a, const BodySplice& b) { return a.start < b.start; });
    for (std::size_t i = 1; i < splices.size(); ++i)
        if (splices[i].start < splices[i - 1].end)
            return Outcome::refused("One record cannot take two new bodies at once");

    // One pass over the file: the bytes between the bodies are copied, each body replaced.
    const auto image = engine.image();
    auto& out = engine.output();
    out.clear();
    std::vector<UpdateEngine::Shift> shifts;
    std::uint32_t copied = 1;
    for (const auto& splice : splices) {
        out.append(image, copied - 1, splice.start - copied);
        out += splice.bytes;
        copied = splice.end;
        shifts.push_back({splice.start, static_cast<std::int64_t>(splice.bytes.size()) -
                                            (splice.end - splice.start)});
    }
    if (copied - 1 < image.size())
        out.append(image, copied - 1);
    auto result = engine.commit("Update1Body");
    if (result.done())
        engine.shiftStore(shifts);
    return result;
}

Outcome changeType(UpdateEngine& engine, const UserRow& row, Conversion conversion) {
    if (!engine.load())
        return notReadable(engine);
    const auto record = locateCommand(engine, row);
    if (!record)
        return changedOutside(engine);
    if (record->encrypted)
        return Outcome::refused("An encrypted command cannot be converted");
    // Only a body that is one counted string can be taken over as it stands by another type.
    if (!hasStringBody(*record))
        return Outcome::refused("Only a KEYS or script command can be converted");
    const std::uint32_t typeAt = record->typeByteEnd - 1;

    engine.prepareRewrite(typeAt - 1);
    std::uint32_t resume = typeAt + 1;
    if (conversion == Conversion::ToPlainText) {
        engine.writeByte(layout::kTextAndGraphics);
        appendBlankFieldsAfterType(engine.output(), layout::recordLayout(engine.generation()));
        engine.writeCount(0);
        resume = record->offsetbody; // the old key string becomes the text
    } else {
        engine.writeByte(layout::kAdvancedScripting);
    }
    const auto written = engine.output().size() - (typeAt - 1);
    engine.copyTail(resume);
    const auto delta = static_cast<std::int64_t>(written) - (resume - typeAt);
    auto result = commitAndShift(engine, "Updatechangetype", typeAt, delta);
    if (result.done())
        engine.refreshBodyPosition(row.id, record->offset);
    return result;
}

Outcome updateDetails(UpdateEngine& engine, const UserRow& row, std::string_view newName,
                      std::string_view description, std::string_view group) {
    if (row.type == ItemType::List)
        return renameList(engine, row, newName);
    if (!engine.load())
        return notReadable(engine);
    const auto record = locateCommand(engine, row);
    if (!record)
        return changedOutside(engine);
    const auto name = encodeName(newName);
    const auto text = encodeText(description, "The description", kDescriptionWidth);
    const auto owner = encodeText(group == "User-defined" ? "" : group, "The group", kGroupWidth);
    for (const auto* encoded : {&name, &text, &owner})
        if (encoded->refusal)
            return *encoded->refusal;

    engine.prepareRewrite(record->offset - 1);
    const auto references = listNamesIn(name.bytes);
    engine.writeString(name.bytes);
    engine.writeLong(static_cast<std::uint32_t>(references.size()));
    for (const auto& reference : references)
        engine.writeString(reference);
    engine.writeString(text.bytes);
    engine.writeString(owner.bytes);
    const auto written = engine.output().size() - (record->offset - 1);
    engine.copyTail(record->scopeBytePosition);
    const auto delta =
        static_cast<std::int64_t>(written) - (record->scopeBytePosition - record->offset);
    return commitAndShift(engine, "UpdateFirstThings", record->offset, delta);
}

Outcome renameList(UpdateEngine& engine, const UserRow& row, std::string_view newName) {
    if (!engine.load())
        return notReadable(engine);
    const auto list = locateList(engine, row);
    if (!list)
        return changedOutside(engine);
    const auto name = encodeName(newName);
    if (name.refusal)
        return *name.refusal;

    engine.prepareRewrite(list->offset - 1);
    engine.writeString(name.bytes);
    ImageReader oldName(engine.image(), list->offset);
    oldName.string();
    engine.copyTail(oldName.position());
    const auto delta = static_cast<std::int64_t>(engine.output().size()) -
                       static_cast<std::int64_t>(engine.image().size());
    return commitAndShift(engine, "UpdateListRename", list->offset, delta);
}

} // namespace qmk
