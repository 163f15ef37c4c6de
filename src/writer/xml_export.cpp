#include "writer/xml_export.h"

#include "common/codepage.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "format/body_decoders.h"
#include "format/image_reader.h"
#include "format/record.h"
#include "format/rich_text.h"
#include "store/places.h"
#include "store/statements.h"
#include "writer/list_names.h"

#include <algorithm>
#include <set>

namespace qmk {

namespace {

// The LIST names a command name can hold, as the export of command files counts them.
constexpr std::size_t kListsPerName = 30;

std::string utf8(std::string_view cp1252) {
    return codepage::toUtf8(cp1252);
}

// A name as the XML writes it: LIST slots in square brackets.
std::string xmlName(std::string_view cp1252) {
    std::string name = utf8(cp1252);
    for (auto& c : name)
        c = c == '<' ? '[' : c == '>' ? ']' : c;
    return name;
}

// A control character XML 1.0 cannot carry, even in CDATA.
bool isXmlControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n';
}

bool xmlCanHold(std::string_view text) {
    return std::none_of(text.begin(), text.end(), isXmlControl);
}

std::string withoutControls(std::string text) {
    std::erase_if(text, isXmlControl);
    return text;
}

// The one legacy statement that sends a key string.
std::string sendKeysStatement(std::string_view keys) {
    return "SendKeys \"" + replaceAll(std::string(keys), "\"", "\"\"") + "\"";
}

std::string mouseType(std::uint8_t action) {
    switch (action) {
    case 0:
        return "move";
    case 1:
        return "leftdown";
    case 2:
        return "leftup";
    case 4:
        return "rightdown";
    case 5:
        return "rightup";
    default:
        return "other";
    }
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    if (text.empty())
        return lines;
    std::size_t from = 0;
    for (auto cut = text.find(kCrLf); cut != std::string::npos;
         from = cut + 2, cut = text.find(kCrLf, from))
        lines.push_back(text.substr(from, cut - from));
    lines.push_back(text.substr(from));
    return lines;
}

class Collector {
public:
    Collector(UpdateEngine& engine, const Selection& rows, const KeyNames& keys,
              const NotLoadedChoice& notLoaded, bool everyList)
        : engine_(engine), rows_(rows), keys_(keys), notLoaded_(notLoaded), everyList_(everyList) {}

    XmlExport run() {
        XmlExport result;
        if (!engine_.load()) {
            result.refusal = Outcome::refused("The command file cannot be read",
                                              utf8Of(engine_.context().commandFile));
            return result;
        }
        const auto image = engine_.image();
        result.set.languageId =
            languageIdOf(image.size() > layout::kLanguageOffset
                             ? static_cast<std::uint8_t>(image[layout::kLanguageOffset])
                             : std::uint8_t{9});
        auto& store = engine_.context().store;
        try {
            for (const auto offset : chosenRecords(store)) {
                ImageReader in(image, offset);
                addCommand(readCommandRecord(in, engine_.generation(), keys_), result);
            }
            addLists(result);
        } catch (const FileDamage&) {
            result.refusal = damaged();
        }
        return result;
    }

private:
    // The selected records and the not-loaded ones chosen, in file order.
    std::vector<std::uint32_t> chosenRecords(Database& store) {
        std::vector<std::uint32_t> offsets;
        for (const auto& selected :
             statements::recordsInFileOrder(store, rows_, engine_.storedOffsetLists()))
            offsets.push_back(selected.offset);
        if (!notLoaded_)
            return offsets;
        ImageReader in(engine_.image(), layout::kFirstRecordPosition);
        const auto count = in.u16At(layout::kCommandCountPosition);
        for (std::uint32_t i = 0; i < count; ++i) {
            const auto record = readCommandRecord(in, engine_.generation(), KeyNames{});
            // A type no View shows has no row either: it is named as left out.
            if ((record.notLoaded() || record.type() == ItemType::None) && notLoaded_(record))
                offsets.push_back(record.offset);
        }
        std::sort(offsets.begin(), offsets.end());
        offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
        return offsets;
    }

    Outcome damaged() const { return staleStore(utf8Of(engine_.context().commandFile)); }

    // Why a command cannot go into the XML, or nothing when it can.
    static const char* whyLeftOut(const CommandRecord& r, ItemType type) {
        if (r.encrypted)
            return "encrypted";
        if (type == ItemType::None)
            return "of a type no View shows";
        // Texts XML cannot carry: a control character, or a line break in an attribute.
        const auto oneLine = [](std::string_view text) {
            return xmlCanHold(text) && text.find_first_of("\r\n\t") == std::string_view::npos;
        };
        bool statesFit = true;
        for (const auto state : r.stateNames)
            statesFit = statesFit && oneLine(state);
        if (!oneLine(r.group) || !xmlCanHold(r.description) || !statesFit || !oneLine(r.program) ||
            !oneLine(r.windowTitle) || !oneLine(r.windowClass) || !oneLine(r.companyName) ||
            !oneLine(r.programDescription))
            return "its group, description, states or program hold a control character XML "
                   "cannot carry";
        return nullptr;
    }

    void addCommand(const CommandRecord& r, XmlExport& result) {
        const auto type = r.type();
        if (const char* why = whyLeftOut(r, type)) {
            result.leftOut.push_back("\"" + utf8(r.name) + "\": " + why);
            return;
        }
        XmlCommand c;
        c.block = r.availability() == layout::kApplication ? XmlBlock::Application
                  : r.availability() == layout::kWindow    ? XmlBlock::Window
                                                           : XmlBlock::Global;
        c.module = utf8(r.program);
        c.company = utf8(r.companyName);
        c.programDescription = utf8(r.programDescription);
        c.caption = utf8(r.windowTitle);
        c.windowClass = utf8(r.windowClass);
        c.name = xmlName(r.name);
        c.group = utf8(r.group);
        c.description = utf8(r.description);
        c.enabled = !r.notLoaded();
        for (const auto state : r.stateNames)
            c.states.push_back(utf8(state));
        setContents(c, r, type);
        c.richText = withoutControls(c.richText);
        for (auto& step : c.steps)
            step = withoutControls(step);
        for (auto& list : listNamesIn(r.name, kListsPerName))
            if (listsSeen_.insert(list).second)
                listNames_.push_back(std::move(list));
        ++result.byType[typeDisplayName(type)];
        result.set.commands.push_back(std::move(c));
    }

    // The body by its type: text, keys, script, rich text, recorded actions or steps; the
    // record's own bytes kept where XML cannot carry the text.
    void setContents(XmlCommand& c, const CommandRecord& r, ItemType type) const {
        const auto image = engine_.image();
        const auto body = image.substr(r.offsetbody - 1, r.end - r.offsetbody);
        if (type == ItemType::AdvancedScript || type == ItemType::Script) {
            c.contentsType = type == ItemType::AdvancedScript ? "SCRIPT" : "DVC_SCRIPT";
            if (type == ItemType::Script)
                c.keys = false;
            c.body = utf8(r.script);
        } else if (type == ItemType::Keys) {
            c.contentsType = "DVC_SCRIPT";
            c.keys = true;
            c.body = utf8(sendKeysStatement(r.script));
        } else if (type == ItemType::TextAndGraphics || type == ItemType::PlainText) {
            c.contentsType = "TEXT-GRAPHICS";
            ImageReader in(image, r.offsetbody);
            in.count();
            const auto graphic = image.substr(in.position() - 1, r.graphicsize);
            c.richText =
                utf8(type == ItemType::TextAndGraphics ? graphic : minimalRichText(r.script));
            c.body = utf8(r.script);
            if (!xmlCanHold(graphic))
                c.recordBody = std::string(body);
        } else if (type == ItemType::MacroRecorder) {
            c.contentsType = "ACTIONS";
            c.recordBody = std::string(body);
            ImageReader in(image, r.offsetbody);
            for (const auto& event : recorderEvents(in))
                c.actions.push_back(
                    event.key ? XmlAction{event.up ? "keyup" : "keydown", keys_[event.code], -1, -1}
                              : XmlAction{mouseType(event.code), "", event.x, event.y});
        } else {
            c.contentsType = "STEP BY STEP";
            c.recordBody = std::string(body);
            c.steps = splitLines(utf8(r.script));
        }
        if (!xmlCanHold(r.script)) {
            c.recordBody = std::string(body);
            c.body = withoutControls(c.body);
        }
    }

    // Every LIST a written command names, once (every LIST of the file when asked), its values
    // with single backslashes.
    void addLists(XmlExport& result) {
        auto& store = engine_.context().store;
        if (everyList_)
            for (const auto& list : places::globalListHeadings(store)) {
                auto name = codepage::fromUtf8(list.name).bytes;
                if (listsSeen_.insert(name).second)
                    listNames_.push_back(std::move(name));
            }
        for (const auto& name : listNames_) {
            const auto offset = statements::globalListOffset(store, utf8(name));
            if (offset == 0) {
                result.leftOut.push_back("LIST \"" + utf8(name) + "\": not in the file");
                continue;
            }
            ImageReader in(engine_.image(), static_cast<std::uint32_t>(offset));
            const auto list = readListRecord(in);
            XmlList entry{utf8(list.name), {}};
            for (const auto item : list.items) {
                // One value a line: an item holding a line break would come back as two.
                if (!xmlCanHold(item) || item.find_first_of("\r\n") != std::string_view::npos) {
                    result.leftOut.push_back("LIST \"" + utf8(name) +
                                             "\": an item holds a line break or a control "
                                             "character XML cannot carry");
                    entry.values.clear();
                    break;
                }
                entry.values.push_back(undoubledBackslashes(utf8(item)));
            }
            if (!list.items.empty() && entry.values.empty())
                continue;
            result.set.lists.push_back(std::move(entry));
        }
    }

    UpdateEngine& engine_;
    const Selection& rows_;
    const KeyNames& keys_;
    const NotLoadedChoice& notLoaded_;
    bool everyList_;
    std::vector<std::string> listNames_;
    std::set<std::string> listsSeen_;
};

std::string counted(int count, const std::string& one, const std::string& many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace

std::string typeCounts(const std::map<std::string, int>& byType) {
    std::string text;
    for (const auto& [type, count] : byType)
        text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + type;
    return text;
}

std::string XmlExport::summary() const {
    int commands = 0;
    for (const auto& entry : byType)
        commands += entry.second;
    std::string line = "Wrote " + counted(commands, "command", "commands");
    if (!byType.empty())
        line += " (" + typeCounts(byType) + ")";
    line += " and " + counted(static_cast<int>(set.lists.size()), "LIST", "LISTs");
    if (!leftOut.empty()) {
        line += "; left out " + std::to_string(leftOut.size()) + ": ";
        for (std::size_t i = 0; i < leftOut.size(); ++i)
            line += (i ? "; " : "") + leftOut[i];
    }
    return line;
}

XmlExport collectXmlExport(UpdateEngine& engine, const Selection& rows, const KeyNames& keys,
                           const NotLoadedChoice& notLoaded, bool everyList) {
    return Collector(engine, rows, keys, notLoaded, everyList).run();
}

Outcome writeXmlFile(FileOps& files, const WriteTarget& target, const XmlCommandSet& set,
                     xmltext::Encoding encoding) {
    try {
        writeTarget(
            files, target,
            xmltext::encode(writeXmlCommandSet(set, xmltext::declaredName(encoding)), encoding));
    } catch (const FileError& error) {
        return Outcome::refused(error.what(), "The XML file was not written");
    }
    return Outcome{};
}

} // namespace qmk
