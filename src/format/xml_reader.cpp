// Reading uses pugixml: a small, fast DOM parser packaged for Debian that never reads a DTD nor
// resolves an external entity (it has no way to), and that reports where a file breaks.
#include "format/xml_command_set.h"
#include "format/xml_encoding.h"

#include <algorithm>
#include <cstdlib>
#include <pugixml.hpp>

namespace qmk {

namespace {

// Every piece of text directly inside the element, joined: a CDATA section split to hold "]]>"
// reads back whole.
std::string textOf(const pugi::xml_node& node) {
    std::string text;
    for (const auto& child : node.children())
        if (child.type() == pugi::node_cdata || child.type() == pugi::node_pcdata)
            text += child.value();
    return text;
}

// The 1-based line and column (in characters) of a byte offset into UTF-8 text.
std::pair<std::size_t, std::size_t> lineAndColumn(std::string_view text, std::size_t offset) {
    offset = std::min(offset, text.size());
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < offset; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            ++line;
            column = 1;
        } else if ((c & 0xC0) != 0x80) {
            ++column;
        }
    }
    return {line, column};
}

std::optional<std::string> hexBytes(std::string_view hex) {
    if (hex.size() % 2 != 0)
        return std::nullopt;
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    const auto digit = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                      : -1;
    };
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = digit(hex[i]), low = digit(hex[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

bool xmlCharacter(unsigned long c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

std::size_t lineOf(std::string_view text, std::size_t offset) {
    return 1 + static_cast<std::size_t>(std::count(
                   text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

// The reference at `at` ("&...;"), when XML cannot take it: a character XML forbids (a NUL would
// end the text there), or an entity the parser would leave as it is.
std::optional<std::string> badReference(std::string_view text, std::size_t at) {
    const auto end = text.find(';', at);
    const auto reference = text.substr(at, end == std::string_view::npos ? 12 : end - at + 1);
    const auto inner = reference.substr(1, reference.size() - 2);
    if (end == std::string_view::npos || reference.size() > 12)
        return "the \"&\" of \"" + std::string(text.substr(at, 12)) + "\" begins no reference";
    if (!inner.starts_with('#')) {
        for (const std::string_view known : {"amp", "lt", "gt", "quot", "apos"})
            if (inner == known)
                return std::nullopt;
        return "the entity " + std::string(reference) + " is unknown";
    }
    const bool hex = inner.size() > 1 && (inner[1] == 'x' || inner[1] == 'X');
    const auto digits = std::string(inner.substr(hex ? 2 : 1));
    char* stop = nullptr;
    const auto value = std::strtoul(digits.c_str(), &stop, hex ? 16 : 10);
    if (digits.empty() || *stop != '\0' || !xmlCharacter(value))
        return "the character reference " + std::string(reference) +
               " names a character XML cannot hold";
    return std::nullopt;
}

// What the parser must not take on trust, said with its line: a control character, a
// reference to a character XML forbids, an unknown entity. CDATA sections, comments and the
// declaration are passed over but for their characters.
std::optional<std::string> forbiddenText(std::string_view text) {
    const std::pair<std::string_view, std::string_view> skipped[] = {
        {"<![CDATA[", "]]>"}, {"<!--", "-->"}, {"<?", "?>"}};
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n')
            return "The XML file holds a control character (" + std::to_string(c) + ") at line " +
                   std::to_string(lineOf(text, i)) + ", which XML cannot hold";
        if (c == '<') {
            for (const auto& [open, close] : skipped)
                if (text.substr(i).starts_with(open)) {
                    const auto end = text.find(close, i + open.size());
                    for (auto k = i; k < std::min(end, text.size()); ++k) {
                        const auto inside = static_cast<unsigned char>(text[k]);
                        if (inside < 0x20 && inside != '\t' && inside != '\r' && inside != '\n')
                            return "The XML file holds a control character (" +
                                   std::to_string(inside) + ") at line " +
                                   std::to_string(lineOf(text, k)) + ", which XML cannot hold";
                    }
                    i = end == std::string_view::npos ? text.size() : end + close.size() - 1;
                    break;
                }
        } else if (c == '&') {
            if (const auto bad = badReference(text, i))
                return "The XML file is refused at line " + std::to_string(lineOf(text, i)) + ": " +
                       *bad;
        }
    }
    return std::nullopt;
}

// Where something but blanks, comments and processing instructions follows the root element's
// end, or npos. The parser keeps no text outside the root, so the text itself is read.
std::size_t contentAfterRoot(std::string_view text) {
    const auto close = text.rfind("</MyCommands");
    if (close == std::string_view::npos)
        return std::string_view::npos; // a root written as an empty element
    auto at = text.find('>', close);
    while (at != std::string_view::npos && ++at < text.size()) {
        if (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n')
            continue;
        const auto rest = text.substr(at);
        const bool comment = rest.starts_with("<!--"), instruction = rest.starts_with("<?");
        if (!comment && !instruction)
            return at;
        at = text.find(comment ? "-->" : "?>", at);
        if (at != std::string_view::npos)
            at += comment ? 2 : 1;
    }
    return std::string_view::npos;
}

std::vector<std::string> splitStates(std::string_view states) {
    std::vector<std::string> names;
    if (states.empty())
        return names;
    std::size_t from = 0;
    for (auto comma = states.find(','); comma != std::string_view::npos;
         from = comma + 1, comma = states.find(',', from))
        names.emplace_back(states.substr(from, comma - from));
    names.emplace_back(states.substr(from));
    return names;
}

class SetReader {
public:
    explicit SetReader(std::string_view text) : text_(text) {}

    // What made the set unreadable (an unknown block type), with its line; empty when none.
    const std::string& error() const { return error_; }

    XmlCommandSet read(const pugi::xml_node& root) {
        XmlCommandSet set;
        if (const auto language = root.attribute("language"); !language.empty())
            set.languageId =
                static_cast<std::uint16_t>(std::strtoul(language.value(), nullptr, 16));
        for (const auto& block : root.children("Commands"))
            readBlock(block, set);
        for (const auto& list : root.child("Lists").children("List")) {
            XmlList entry{list.attribute("name").value(), {}};
            for (const auto& value : list.children("Value"))
                entry.values.push_back(textOf(value));
            set.lists.push_back(std::move(entry));
        }
        return set;
    }

private:
    // The line of an offset; elements come in document order, so the count goes on from the
    // last one instead of from the start.
    std::size_t lineAt(std::size_t offset) {
        offset = std::min(offset, text_.size());
        if (offset < counted_) {
            counted_ = 0;
            line_ = 1;
        }
        for (; counted_ < offset; ++counted_)
            if (text_[counted_] == '\n')
                ++line_;
        return line_;
    }

    void readBlock(const pugi::xml_node& block, XmlCommandSet& set) {
        XmlCommand program;
        const std::string_view type = block.attribute("type").value();
        if (type != "global" && type != "application" && type != "window") {
            // Read as global, its commands would be active in every program.
            if (error_.empty())
                error_ = "The XML file's <Commands> block at line " +
                         std::to_string(lineAt(static_cast<std::size_t>(block.offset_debug()))) +
                         " is of the type \"" + std::string(type) +
                         "\", which is none of global, application and window";
            return;
        }
        program.block = type == "application" ? XmlBlock::Application
                        : type == "window"    ? XmlBlock::Window
                                              : XmlBlock::Global;
        program.module = textOf(block.child("module"));
        program.company = textOf(block.child("company"));
        program.programDescription = textOf(block.child("description"));
        program.caption = textOf(block.child("caption"));
        program.windowClass = textOf(block.child("class"));
        for (const auto& element : block.children("Command")) {
            XmlCommand command = program;
            readCommand(element, command);
            set.commands.push_back(std::move(command));
        }
    }

    void readCommand(const pugi::xml_node& element, XmlCommand& command) {
        command.line = lineAt(static_cast<std::size_t>(element.offset_debug()));
        command.name = element.attribute("name").value();
        command.group = element.attribute("group").value();
        command.enabled =
            std::string_view(element.attribute("enabled").as_string("true")) != "false";
        command.states = splitStates(element.attribute("states").value());
        command.description = textOf(element.child("description"));
        const auto contents = element.child("contents");
        command.contentsType = contents.attribute("type").value();
        if (const auto keys = contents.attribute("keys"); !keys.empty())
            command.keys = std::string_view(keys.value()) == "true";
        if (const auto body = contents.attribute("body"); !body.empty()) {
            command.recordBody = hexBytes(body.value());
            command.recordBodyDamaged = !command.recordBody;
        }
        if (command.contentsType == "TEXT-GRAPHICS") {
            command.richText = textOf(contents.child("RTF"));
            command.body = textOf(contents.child("TEXT"));
        } else {
            command.body = textOf(contents);
        }
        for (const auto& action : contents.children("action"))
            command.actions.push_back(
                {action.attribute("type").value(), action.attribute("key").value(),
                 action.attribute("x").as_int(-1), action.attribute("y").as_int(-1)});
        for (const auto& step : contents.children("step"))
            command.steps.push_back(textOf(step));
    }

    std::string_view text_;
    std::string error_;
    std::size_t counted_ = 0; // the text before this offset is counted in line_
    std::size_t line_ = 1;
};

} // namespace

std::uint8_t languageCodeOf(std::uint16_t languageId) {
    return static_cast<std::uint8_t>(languageId & 0x3FF);
}

std::uint16_t languageIdOf(std::uint8_t languageCode) {
    return static_cast<std::uint16_t>(0x400 | languageCode);
}

std::optional<XmlCommandSet> readXmlCommandSet(const std::string& bytes, std::string& error) {
    std::string decodeError;
    const auto text = xmltext::decode(bytes, decodeError);
    if (!decodeError.empty()) {
        error = decodeError;
        return std::nullopt;
    }
    if (const auto forbidden = forbiddenText(text)) {
        error = *forbidden;
        return std::nullopt;
    }
    pugi::xml_document document;
    // Line ends stay as written: a body's CR LF is the command's own.
    const auto flags = pugi::parse_default & ~pugi::parse_eol;
    const auto parsed = document.load_buffer(text.data(), text.size(), flags, pugi::encoding_utf8);
    if (!parsed) {
        const auto [line, column] = lineAndColumn(
            text, static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, parsed.offset)));
        error = "The XML file is malformed at line " + std::to_string(line) + ", column " +
                std::to_string(column) + ": " + parsed.description();
        return std::nullopt;
    }
    const auto root = document.child("MyCommands");
    if (!root) {
        error = "This is not an XML command set: its root element is not <MyCommands>";
        return std::nullopt;
    }
    // One root element and nothing after it but blanks and comments.
    if (const auto after = contentAfterRoot(text); after != std::string_view::npos) {
        error = "The XML file goes on after its </MyCommands>, at line " +
                std::to_string(lineOf(text, after));
        return std::nullopt;
    }
    SetReader reader(text);
    auto set = reader.read(root);
    if (!reader.error().empty()) {
        error = reader.error();
        return std::nullopt;
    }
    return set;
}

} // namespace qmk
