// The XML is written here rather than through a library: Dragon's exports have a fixed layout
// (CR LF, tabs, blank lines, CDATA for every body) that a general serializer does not produce.
#include "format/xml_command_set.h"

#include <cstdio>
#include <map>
#include <tuple>

namespace qmk {

namespace {

constexpr std::string_view kCrLf = "\r\n";

// Text for an attribute value or element content: the markup characters escaped, and the
// white space an XML reader would fold (tab, CR, LF in attributes) as character references.
std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\t':
            out += "&#9;";
            break;
        case '\r':
            out += "&#13;";
            break;
        case '\n':
            out += "&#10;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// A CDATA section; "]]>" inside the text splits it into two sections.
std::string cdata(std::string_view text) {
    std::string out = "<![CDATA[";
    std::size_t from = 0;
    for (auto cut = text.find("]]>"); cut != std::string_view::npos;
         from = cut + 2, cut = text.find("]]>", from)) {
        out += text.substr(from, cut + 2 - from);
        out += "]]><![CDATA[";
    }
    out += text.substr(from);
    out += "]]>";
    return out;
}

std::string hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& name : names)
        out += (out.empty() ? "" : ",") + name;
    return out;
}

class Writer {
public:
    std::string take() { return std::move(out_); }

    void line(int depth, std::string_view text) {
        out_.append(static_cast<std::size_t>(depth), '\t');
        out_ += text;
        out_ += kCrLf;
    }
    void blank() { out_ += kCrLf; }

    void element(int depth, std::string_view name, std::string_view text) {
        line(depth, "<" + std::string(name) + ">" + escaped(text) + "</" + std::string(name) + ">");
    }

    void command(const XmlCommand& c) {
        line(2, "<Command name=\"" + escaped(c.name) + "\" group=\"" + escaped(c.group) +
                    "\" enabled=\"" + (c.enabled ? "true" : "false") + "\" states=\"" +
                    escaped(joined(c.states)) + "\">");
        element(3, "description", c.description);
        std::string open = "<contents type=\"" + escaped(c.contentsType) + "\"";
        if (c.keys)
            open += std::string(" keys=\"") + (*c.keys ? "true" : "false") + "\"";
        if (c.recordBody)
            open += " body=\"" + hex(*c.recordBody) + "\"";
        open += ">";
        if (c.contentsType == "TEXT-GRAPHICS") {
            line(3, open);
            line(4, "<RTF>" + cdata(c.richText) + "</RTF>");
            line(4, "<TEXT>" + cdata(c.body) + "</TEXT>");
            line(3, "</contents>");
        } else if (!c.actions.empty() || !c.steps.empty()) {
            line(3, open);
            for (const auto& a : c.actions) {
                std::string action = "<action type=\"" + escaped(a.type) + "\"";
                if (!a.key.empty())
                    action += " key=\"" + escaped(a.key) + "\"";
                if (a.x >= 0)
                    action +=
                        " x=\"" + std::to_string(a.x) + "\" y=\"" + std::to_string(a.y) + "\"";
                line(4, action + "/>");
            }
            for (const auto& step : c.steps)
                line(4, "<step>" + cdata(step) + "</step>");
            line(3, "</contents>");
        } else {
            line(3, open + cdata(c.body) + "</contents>");
        }
        line(2, "</Command>");
    }

    // The block's opening and its program identification.
    void openBlock(const XmlCommand& first) {
        static constexpr const char* kTypes[] = {"global", "application", "window"};
        line(1, std::string("<Commands type=\"") + kTypes[static_cast<int>(first.block)] + "\">");
        if (first.block != XmlBlock::Global) {
            element(2, "module", first.module);
            element(2, "company", first.company);
            element(2, "description", first.programDescription);
        }
        if (first.block == XmlBlock::Window) {
            element(2, "caption", first.caption);
            element(2, "class", first.windowClass);
        }
        blank();
    }

    void lists(const std::vector<XmlList>& lists) {
        line(1, "<Lists>");
        for (const auto& list : lists) {
            line(2, "<List name=\"" + escaped(list.name) + "\">");
            for (const auto& value : list.values)
                line(3, "<Value>" + cdata(value) + "</Value>");
            line(2, "</List>");
        }
        line(1, "</Lists>");
    }

private:
    std::string out_;
};

// The commands of each block, blocks in the order of their first command, global ones first.
std::vector<std::vector<const XmlCommand*>> blocksOf(const std::vector<XmlCommand>& commands) {
    using Key = std::tuple<XmlBlock, std::string_view, std::string_view, std::string_view,
                           std::string_view, std::string_view>;
    std::map<Key, std::size_t> index;
    std::vector<std::vector<const XmlCommand*>> blocks;
    for (const auto kind : {XmlBlock::Global, XmlBlock::Application, XmlBlock::Window})
        for (const auto& c : commands) {
            if (c.block != kind)
                continue;
            const Key key{c.block,   c.module,     c.company, c.programDescription,
                          c.caption, c.windowClass};
            const auto [at, added] = index.emplace(key, blocks.size());
            if (added)
                blocks.emplace_back();
            blocks[at->second].push_back(&c);
        }
    return blocks;
}

} // namespace

std::string writeXmlCommandSet(const XmlCommandSet& set, std::string_view encodingName) {
    Writer w;
    w.line(0, "<?xml version=\"1.0\" encoding=\"" + std::string(encodingName) + "\"?>");
    w.line(0, "<!DOCTYPE MyCommands SYSTEM \"MyCmds11.dtd\">");
    w.blank();
    char language[16];
    std::snprintf(language, sizeof language, "0x%X", static_cast<unsigned>(set.languageId));
    w.line(0, std::string("<MyCommands version=\"2.0\" language=\"") + language + "\">");
    w.blank();
    for (const auto& block : blocksOf(set.commands)) {
        w.openBlock(*block.front());
        for (const auto* command : block) {
            w.command(*command);
            w.blank();
        }
        w.line(1, "</Commands>");
        w.blank();
    }
    w.lists(set.lists);
    w.blank();
    w.line(0, "</MyCommands>");
    return w.take();
}

} // namespace qmk
