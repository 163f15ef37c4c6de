#include "writer/new_records.h"

#include "common/text.h"
#include "common/utf8_path.h"
#include "format/image_reader.h"
#include "format/image_writer.h"
#include "format/keynames.h"
#include "format/record.h"
#include "loader/row_builder.h"
#include "store/schema.h"
#include "store/user_rows.h"
#include "writer/list_names.h"

namespace qmk {

namespace {

std::uint8_t typeByteOf(ItemType type) {
    if (type == ItemType::Keys)
        return layout::kKeystrokes;
    if (type == ItemType::Script)
        return layout::kScript;
    if (type == ItemType::AdvancedScript)
        return layout::kAdvancedScripting;
    if (type == ItemType::MacroRecorder)
        return layout::kMacroRecorder;
    if (type == ItemType::StepByStep)
        return layout::kStepByStep;
    return layout::kTextAndGraphics;
}

// The texts of a new command in the file's code page.
struct EncodedCommand {
    std::string name, description, group, program, scope, body;
    std::vector<std::string> states;
};

std::optional<Outcome> encodeAll(const NewCommand& c, EncodedCommand& out) {
    auto take = [](EncodedText encoded, std::string& into) -> std::optional<Outcome> {
        if (encoded.refusal)
            return encoded.refusal;
        into = std::move(encoded.bytes);
        return std::nullopt;
    };
    if (auto r = take(encodeName(c.name), out.name))
        return r;
    if (auto r =
            take(encodeText(c.description, "The description", kDescriptionWidth), out.description))
        return r;
    if (auto r =
            take(encodeText(c.group == "User-defined" ? "" : c.group, "The group", kGroupWidth),
                 out.group))
        return r;
    if (auto r = take(encodeText(c.scope, "The Scope", kScopeWidth), out.scope))
        return r;
    // The module name as the model record spells it; the Program when there is no model.
    if (auto r = take(c.programName.empty() ? encodeText(c.program, "The Program", kProgramWidth)
                                            : EncodedText{c.programName, std::nullopt},
                      out.program))
        return r;
    if (auto r = take(encodeForFile(c.body, "The body"), out.body))
        return r;
    for (const auto& state : c.states)
        if (auto r =
                take(encodeText(state, "A state name", kScopeWidth), out.states.emplace_back()))
            return r;
    return std::nullopt;
}

// A body the record carries as it was (an imported one), or one made from the command's text.
void appendNewBody(std::string& out, const NewCommand& c, const EncodedCommand& text) {
    if (c.storedBody) {
        out += *c.storedBody;
        return;
    }
    if (c.type == ItemType::PlainText || c.type == ItemType::TextAndGraphics) {
        appendCount(out, static_cast<std::uint32_t>(c.graphic.size()));
        out += c.graphic;
    }
    appendCountedString(out, text.body);
}

std::string commandRecord(const NewCommand& c, const EncodedCommand& text,
                          layout::Generation generation) {
    const auto fields = layout::recordLayout(generation);
    const std::uint8_t availability = c.program == kGlobalCommands        ? layout::kGlobal
                                      : c.scope == "Application-specific" ? layout::kApplication
                                                                          : layout::kWindow;
    const auto scopeByte =
        static_cast<std::uint8_t>(availability | (c.notLoaded ? layout::kNotLoadedBit : 0));
    std::string out;
    for (const auto field : layout::kRecordFields) {
        if (!fields.holds(field))
            continue;
        switch (field) {
        case layout::RecordField::Name:
            appendCountedString(out, text.name);
            break;
        case layout::RecordField::ListReferences: {
            const auto references = listNamesIn(text.name);
            appendU32(out, static_cast<std::uint32_t>(references.size()));
            for (const auto& reference : references)
                appendCountedString(out, reference);
            break;
        }
        case layout::RecordField::Description:
            appendCountedString(out, text.description);
            break;
        case layout::RecordField::Group:
            appendCountedString(out, text.group);
            break;
        case layout::RecordField::ScopeByte:
            out += static_cast<char>(scopeByte);
            break;
        case layout::RecordField::ReservedBlock:
            out.append(layout::kReservedBlockSize, '\0');
            break;
        case layout::RecordField::ProgramIdentity:
            if (availability != layout::kGlobal) {
                appendCountedString(out, text.program);
                appendCountedString(out, c.programDescription);
                appendCountedString(out, c.companyName);
            }
            if (availability == layout::kWindow) {
                appendCountedString(out, text.scope);
                appendCountedString(out, c.windowClass);
            }
            break;
        case layout::RecordField::States:
            appendU32(out, static_cast<std::uint32_t>(text.states.size()));
            for (const auto& state : text.states)
                appendCountedString(out, state);
            break;
        case layout::RecordField::TypeByte:
            out += static_cast<char>(typeByteOf(c.type));
            break;
        case layout::RecordField::EncryptionByte:
            out += '\0';
            break;
        case layout::RecordField::PreBodyBlock:
            out.append(layout::kPreBodyBlockSize, '\0');
            break;
        case layout::RecordField::Body:
            appendNewBody(out, c, text);
            break;
        }
    }
    return out;
}

std::string fileName(const UpdateEngine& engine) {
    return utf8Of(engine.context().commandFile.filename());
}

// The LIST text as items: it ends with exactly one CR LF, and each line before it is an item.
std::vector<std::string> newListItems(std::string text) {
    while (text.size() >= 4 && text.ends_with("\r\n\r\n"))
        text.resize(text.size() - 2);
    if (!text.ends_with(kCrLf))
        text += kCrLf;
    std::vector<std::string> items;
    std::size_t start = 0;
    for (auto cut = text.find(kCrLf); cut != std::string::npos; cut = text.find(kCrLf, start)) {
        items.push_back(text.substr(start, cut - start));
        start = cut + 2;
    }
    return items;
}

// Reads the command file and finds its lists section where the store says it starts.
std::optional<Outcome> loadWithListsSection(UpdateEngine& engine, std::uint32_t& listsAt) {
    if (!engine.load())
        return Outcome::refused("The command file cannot be read",
                                utf8Of(engine.context().commandFile));
    listsAt = static_cast<std::uint32_t>(engine.storedOffsetLists());
    if (listsAt < layout::kFirstRecordPosition || listsAt + 3 > engine.image().size())
        return staleStore();
    return std::nullopt;
}

} // namespace

std::variant<std::string, Outcome> encodeNewCommand(const NewCommand& command,
                                                    layout::Generation generation) {
    EncodedCommand text;
    if (auto refusal = encodeAll(command, text))
        return *refusal;
    if (!command.states.empty() && !layout::recordLayout(generation).statesBlock)
        return Outcome::refused("Commands of this file format cannot name states");
    return commandRecord(command, text, generation);
}

Outcome addCommandRecord(UpdateEngine& engine, const NewCommand& command) {
    EncodedCommand text;
    if (auto refusal = encodeAll(command, text))
        return *refusal;
    std::uint32_t listsAt = 0;
    if (auto refusal = loadWithListsSection(engine, listsAt))
        return *refusal;
    ImageReader header(engine.image());
    if (header.u16At(layout::kCommandCountPosition) >= layout::kLargestRecordCount)
        return Outcome::refused("A command file holds at most 65,535 commands");

    const auto record = commandRecord(command, text, engine.generation());
    try {
        engine.context().files.writeScratch(engine.context().home.file(files::kNewCommand), record);
    } catch (const FileError& error) {
        return notWritten(error);
    }
    engine.prepareRewrite(listsAt - 1);
    engine.output() += record;
    engine.copyTail(listsAt);
    engine.writeLongAt(layout::kCommandCountPosition,
                       engine.readLongAt(layout::kCommandCountPosition) + 1);
    auto result = engine.commit("update new command file");
    if (!result.done())
        return result;

    engine.shiftStore(listsAt, static_cast<std::int64_t>(record.size()), true);
    ImageReader in(engine.image(), listsAt);
    const auto written = readCommandRecord(in, engine.generation(), KeyNames{});
    UserTable(engine.context().store).add(commandRow(written, fileName(engine), ""));
    return result;
}

Outcome addListRecord(UpdateEngine& engine, const std::string& name, const std::string& items) {
    const auto listName = encodeName(name);
    const auto listText = encodeText(items, "The LIST items", kLargestImage, true);
    for (const auto* encoded : {&listName, &listText})
        if (encoded->refusal)
            return *encoded->refusal;
    std::uint32_t listsAt = 0;
    if (auto refusal = loadWithListsSection(engine, listsAt))
        return *refusal;
    const auto lines = newListItems(listText.bytes);
    ImageReader count(engine.image());
    if (lines.size() > layout::kLargestRecordCount)
        return Outcome::refused("A LIST holds at most 65,535 items");
    if (count.u16At(listsAt) >= layout::kLargestRecordCount)
        return Outcome::refused("A command file holds at most 65,535 LISTs");

    // After the last LIST, which is where readers look for it; bytes after the lists section,
    // which no reader reads, stay after it.
    std::uint32_t end = listsAt + 4;
    try {
        for (std::uint32_t i = 0; i < count.u16At(listsAt); ++i) {
            ImageReader list(engine.image(), end);
            end = readListRecord(list).end;
        }
    } catch (const FileDamage&) {
        return staleStore();
    }
    engine.prepareRewrite(end - 1);
    engine.output() += listRecordBytes(listName.bytes, lines);
    engine.copyTail(end);
    engine.writeLongAt(listsAt, engine.readLongAt(listsAt) + 1);
    auto result = engine.commit("update new list");
    if (!result.done())
        return result;

    ImageReader in(engine.image(), end);
    UserTable(engine.context().store).add(listRow(readListRecord(in), fileName(engine)));
    return result;
}

} // namespace qmk
