#include "writer/xml_import.h"

#include "common/codepage.h"
#include "common/text.h"
#include "format/body_decoders.h"
#include "format/image_reader.h"
#include "format/image_writer.h"
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

// The key string of a legacy script that is exactly one SendKeys statement, quotes doubled. A
// body this program marked as keys may hold line breaks in its string.
std::optional<std::string> sendKeysString(std::string_view body, bool marked = false) {
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
        if (!marked && (inner[i] == '\r' || inner[i] == '\n'))
            return std::nullopt;
        keys += inner[i];
    }
    return keys;
}

// Whether body bytes brought by the XML frame as the body of a `type` record, exactly: a record
// this program writes must read back.
bool framesExactly(ItemType type, const std::string& body) {
    try {
        ImageReader in(body);
        if (type == ItemType::MacroRecorder) {
            skipRecorderBody(in);
        } else if (type == ItemType::StepByStep) {
            skipStepByStepBody(in);
        } else {
            if (type == ItemType::TextAndGraphics || type == ItemType::PlainText)
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

// The key under which Dragon hears a command: its Program, Scope and name, without regard to
// letter case (file bytes).
std::string heardKey(const NewCommand& c, const std::string& name) {
    return codepage::toUpper(codepage::fromUtf8(c.program).bytes) + '\t' +
           codepage::fromUtf8(c.scope).bytes + '\t' + codepage::toUpper(name);
}

class Planner {
public:
    Planner(const XmlCommandSet& set, layout::Generation generation, const XmlImportRules& rules)
        : set_(set), generation_(generation), rules_(rules) {}

    XmlImportPlan run() {
        for (const auto& list : set_.lists)
            addList(list);
        for (const auto& command : set_.commands) {
            if (plan_.cancelled)
                break;
            addCommand(command);
        }
        for (const auto& planned : commands_)
            if (!planned.dropped) {
                plan_.commandRecords += planned.record;
                ++plan_.commands;
                ++plan_.byType[typeDisplayName(planned.type)];
            }
        return std::move(plan_);
    }

private:
    void unfit(const std::string& what, std::size_t line, const std::string& why) {
        plan_.unfit.push_back(what + (line ? " (line " + std::to_string(line) + ")" : "") + ": " +
                              why);
    }

    void addList(const XmlList& list) {
        const auto what = "LIST \"" + quotedText(list.name) + "\"";
        const auto name = encodeName(list.name);
        if (name.refusal)
            return unfit(what, 0, name.refusal->message);
        if (list.values.size() > layout::kLargestRecordCount)
            return unfit(what, 0, "a LIST holds at most 65,535 items");
        std::vector<std::string> encoded;
        std::string items;
        for (const auto& value : list.values) {
            // The command file doubles the backslash between written and spoken forms.
            auto item = encodeText(doubledBackslashes(value), "An item");
            if (item.refusal)
                return unfit(what, 0, item.refusal->message);
            items += item.bytes + "\r\n";
            encoded.push_back(std::move(item.bytes));
        }
        const auto record = listRecordBytes(name.bytes, encoded);
        // The first LIST of a name is the one readers find: another of other items is named.
        const auto held = lists_.find(name.bytes);
        const auto target = held == lists_.end() && rules_.targetLists
                                ? rules_.targetLists(name.bytes)
                                : std::nullopt;
        if (held != lists_.end() || target) {
            if ((held != lists_.end() ? held->second : *target) != items)
                unfit(what, 0,
                      held != lists_.end()
                          ? "the XML holds a first LIST of this name with other items, which is "
                            "the one kept"
                          : "the target holds a LIST of this name with other items, which is "
                            "kept");
            return;
        }
        lists_.emplace(name.bytes, items);
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
            c.type = ItemType::AdvancedScript;
        } else if (x.contentsType == "DVC_SCRIPT") {
            // This program's own files say which it is; Dragon's are read from the body.
            const auto keys =
                x.keys == false ? std::nullopt : sendKeysString(x.body, x.keys == true);
            if (x.keys == true && !keys)
                return std::string("it is marked as keys but its body is no SendKeys statement");
            c.type = keys ? ItemType::Keys : ItemType::Script;
            if (keys)
                c.body = *keys;
        } else if (x.contentsType == "TEXT-GRAPHICS") {
            const auto text = codepage::fromUtf8(x.body);
            const auto rtf = codepage::fromUtf8(x.richText);
            if (!text.ok || !rtf.ok)
                return text.ok ? rtf.message : text.message;
            c.type = rtf.bytes == minimalRichText(text.bytes) ? ItemType::PlainText
                                                              : ItemType::TextAndGraphics;
            if (c.type == ItemType::TextAndGraphics)
                c.graphic = rtf.bytes;
        } else if (x.contentsType == "ACTIONS" || x.contentsType == "STEP BY STEP") {
            if (!x.recordBody)
                return "its " + x.contentsType +
                       " contents can be brought back only from this program's own export, "
                       "which carries the record's bytes";
            c.type = x.contentsType == "ACTIONS" ? ItemType::MacroRecorder : ItemType::StepByStep;
        } else {
            return "its contents type \"" + x.contentsType + "\" is unknown";
        }
        if (c.storedBody && !framesExactly(c.type, *c.storedBody))
            return std::string("its body attribute does not hold the record's bytes");
        return std::nullopt;
    }

    void addCommand(const XmlCommand& x) {
        const auto what = "command \"" + quotedText(x.name) + "\"";
        if (!x.enabled && rules_.appending)
            return unfit(what, x.line,
                         "it is not enabled (enabled=\"false\"), and a command Dragon does not "
                         "load goes only into a new command file");
        NewCommand command;
        if (const auto why = toNewCommand(x, command))
            return unfit(what, x.line, *why);
        auto encoded = encodeNewCommand(command, generation_);
        if (const auto* refusal = std::get_if<Outcome>(&encoded))
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
        if (kept_ >= layout::kLargestRecordCount)
            return unfit(what, x.line, "a command file holds at most 65,535 commands");
        const auto key = heardKey(command, name);
        if (const auto earlier = keys_.find(key); earlier != keys_.end()) {
            if (!replacesEarlier(command))
                return;
            commands_[earlier->second].dropped = true;
            --kept_;
        }
        keys_[key] = commands_.size();
        commands_.push_back({std::get<std::string>(std::move(encoded)), command.type, false});
        ++kept_;
    }

    // A second command of a name in one Program and Scope: true when it takes the place of the
    // first, as the duplicate question is answered.
    bool replacesEarlier(const NewCommand& command) {
        ++plan_.duplicates;
        const auto answer = answers_.answer({command.name, command.program, command.scope});
        if (answer == DuplicateAnswer::CancelExport)
            plan_.cancelled = true;
        return answer == DuplicateAnswer::Yes || answer == DuplicateAnswer::YesToAll;
    }

    bool holds(const std::string& list) const {
        return lists_.contains(list) || (rules_.targetLists && rules_.targetLists(list));
    }

    struct Planned {
        std::string record;
        ItemType type = ItemType::None;
        bool dropped; // a later command of its name took its place
    };

    const XmlCommandSet& set_;
    layout::Generation generation_;
    const XmlImportRules& rules_;
    std::map<std::string, std::string> lists_; // the set's LISTs written, as file bytes: items
    std::vector<Planned> commands_;
    std::map<std::string, std::size_t> keys_; // heard keys of the commands kept
    std::uint32_t kept_ = 0;
    DuplicateAnswers answers_{rules_.duplicates};
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
                            const XmlImportRules& rules) {
    return Planner(set, generation, rules).run();
}

} // namespace qmk
