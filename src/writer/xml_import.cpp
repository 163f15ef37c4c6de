#include "writer/xml_import.h"

#include "common/text.h"
#include "format/body_decoders.h"
#include "format/codepage.h"
#include "format/image_reader.h"
#include "format/record.h"
#include "format/rich_text.h"
#include "store/schema.h"
#include "writer/list_names.h"
#include "writer/new_records.h"
#include "writer/record_walker.h"

#include <set>
#include <variant>

namespace qmk {

namespace {

// A name as the command file writes it: LIST slots in angle brackets.
std::string fileName(std::string name) {
    for (auto& c : name)
        c = c == '[' ? '<' : c == ']' ? '>' : c;
    return name;
}

// The key string of a legacy script that is exactly one SendKeys statement, quotes doubled.
std::optional<std::string> sendKeysString(std::string_view body) {
    constexpr std::string_view kOpen = "SendKeys \"";
    if (!body.starts_with(kOpen) || !body.ends_with('"') || body.size() < kOpen.size() + 1)
        return std::nullopt;
    const auto inner = body.substr(kOpen.size(), body.size() - kOpen.size() - 1);
    std::string keys;
    for (std::size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] == '"') {
            if (i + 1 >= inner.size() || inner[i + 1] != '"')
                return std::nullopt; // a quote that ends the string early: more than one statement
            ++i;
        }
        if (inner[i] == '\r' || inner[i] == '\n')
            return std::nullopt;
        keys += inner[i];
    }
    return keys;
}

// Whether body bytes brought by the XML frame as the body of a `type` record, exactly: a record
// this program writes must read back.
bool framesExactly(const std::string& type, const std::string& body) {
    try {
        ImageReader in(body);
        if (type == "R") {
            skipRecorderBody(in);
        } else if (type == "X") {
            skipStepByStepBody(in);
        } else {
            if (type == "T" || type == "P")
                in.skip(in.count());
            in.string();
        }
        return in.position() - 1 == body.size();
    } catch (const FileDamage&) {
        return false;
    }
}

// Program identification strings are written as the file's bytes.
std::optional<std::string> identification(const std::string& text, std::string& why) {
    auto encoded = codepage::fromUtf8(text);
    if (!encoded.ok) {
        why = encoded.message;
        return std::nullopt;
    }
    return std::move(encoded.bytes);
}

class Planner {
public:
    Planner(const XmlCommandSet& set, layout::Generation generation, const ListLookup& targetHolds)
        : set_(set), generation_(generation), targetHolds_(targetHolds) {}

    XmlImportPlan run() {
        for (const auto& list : set_.lists)
            addList(list);
        for (const auto& command : set_.commands)
            addCommand(command);
        return std::move(plan_);
    }

private:
    void unfit(const std::string& what, std::size_t line, const std::string& why) {
        plan_.unfit.push_back(what + (line ? " (line " + std::to_string(line) + ")" : "") + ": " +
                              why);
    }

    void addList(const XmlList& list) {
        const auto what = "LIST \"" + list.name + "\"";
        const auto name = encodeName(list.name);
        if (name.refusal)
            return unfit(what, 0, name.refusal->message);
        if (holds(name.bytes))
            return; // the first LIST of a name is the one readers find
        if (list.values.size() > layout::kLargestRecordCount)
            return unfit(what, 0, "a LIST holds at most 65,535 items");
        std::string record;
        appendCountedString(record, name.bytes);
        appendU32(record, layout::kListMarker);
        appendU32(record, static_cast<std::uint32_t>(list.values.size()));
        for (const auto& value : list.values) {
            // The command file doubles the backslash between written and spoken forms.
            const auto item = encodeForFile(replaceAll(value, "\\", "\\\\"), "An item");
            if (item.refusal)
                return unfit(what, 0, item.refusal->message);
            appendCountedString(record, item.bytes);
        }
        lists_.insert(name.bytes);
        plan_.listRecords += record;
        ++plan_.lists;
    }

    // The command as a new record, or why it cannot be one.
    std::optional<std::string> toNewCommand(const XmlCommand& x, NewCommand& c) {
        c.name = fileName(x.name);
        c.description = x.description;
        c.group = x.group;
        c.states = x.states;
        c.notLoaded = !x.enabled;
        std::string why;
        if (x.block == XmlBlock::Global) {
            c.program = c.scope = kGlobalCommands;
        } else {
            c.program = x.module;
            c.scope = x.block == XmlBlock::Application ? "Application-specific" : x.caption;
            const auto description = identification(x.programDescription, why);
            const auto company = identification(x.company, why);
            const auto windowClass = identification(x.windowClass, why);
            if (!description || !company || !windowClass)
                return why;
            c.programDescription = *description;
            c.companyName = *company;
            c.windowClass = *windowClass;
            if (x.module.empty())
                return std::string("its block names no program (<module>)");
        }
        if (x.recordBodyDamaged)
            return std::string("its body attribute does not hold the record's bytes");
        c.storedBody = x.recordBody;
        c.body = x.body;
        if (x.contentsType == "SCRIPT") {
            c.type = "A";
        } else if (x.contentsType == "DVC_SCRIPT") {
            const auto keys = sendKeysString(x.body);
            c.type = keys ? "K" : "S";
            if (keys)
                c.body = *keys;
        } else if (x.contentsType == "TEXT-GRAPHICS") {
            const auto text = codepage::fromUtf8(x.body);
            const auto rtf = codepage::fromUtf8(x.richText);
            if (!text.ok || !rtf.ok)
                return text.ok ? rtf.message : text.message;
            c.type = rtf.bytes == minimalRichText(text.bytes) ? "P" : "T";
            if (c.type == "T")
                c.graphic = rtf.bytes;
        } else if (x.contentsType == "ACTIONS" || x.contentsType == "STEP BY STEP") {
            if (!x.recordBody)
                return "its " + x.contentsType +
                       " contents can be brought back only from this program's own export, "
                       "which carries the record's bytes";
            c.type = x.contentsType == "ACTIONS" ? "R" : "X";
        } else {
            return "its contents type \"" + x.contentsType + "\" is unknown";
        }
        if (c.storedBody && !framesExactly(c.type, *c.storedBody))
            return std::string("its body attribute does not hold the record's bytes");
        return std::nullopt;
    }

    void addCommand(const XmlCommand& x) {
        const auto what = "command \"" + x.name + "\"";
        NewCommand command;
        if (const auto why = toNewCommand(x, command))
            return unfit(what, x.line, *why);
        auto encoded = encodeNewCommand(command, generation_);
        if (const auto* refusal = std::get_if<EditResult>(&encoded))
            return unfit(what, x.line, refusal->message);
        const auto name = codepage::fromUtf8(command.name).bytes;
        const auto references = listNamesIn(name, kMaxListReferences + 1);
        if (references.size() > kMaxListReferences)
            return unfit(what, x.line, "it names more than 20 LISTs");
        for (const auto& list : references)
            if (!holds(list))
                return unfit(what, x.line,
                             "it names the LIST \"" + codepage::toUtf8(list) +
                                 "\", which neither the XML nor the target holds");
        if (plan_.commands >= layout::kLargestRecordCount)
            return unfit(what, x.line, "a command file holds at most 65,535 commands");
        plan_.commandRecords += std::get<std::string>(encoded);
        ++plan_.commands;
        ++plan_.byType[typeDisplayName(command.type)];
    }

    bool holds(const std::string& list) const {
        return lists_.contains(list) || (targetHolds_ && targetHolds_(list));
    }

    const XmlCommandSet& set_;
    layout::Generation generation_;
    const ListLookup& targetHolds_;
    std::set<std::string> lists_; // the set's LISTs written so far, as file bytes
    XmlImportPlan plan_;
};

} // namespace

std::string XmlImportPlan::commandFile(std::uint8_t versionCode, std::uint8_t languageCode) const {
    std::string image = rebuiltHeader(versionCode, languageCode);
    std::string count;
    appendU32(count, commands);
    image.replace(layout::kCommandCountPosition - 1, 4, count);
    image += commandRecords;
    appendU32(image, lists);
    image += listRecords;
    return image;
}

XmlImportPlan planXmlImport(const XmlCommandSet& set, layout::Generation generation,
                            const ListLookup& targetHolds) {
    return Planner(set, generation, targetHolds).run();
}

} // namespace qmk
