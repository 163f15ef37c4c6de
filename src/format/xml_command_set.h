#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qmk {

// A command set in the XML command format of later Dragon versions, as this program reads and
// writes it. Texts are UTF-8.

// Which kind of <Commands> block a command sits in.
enum class XmlBlock { Global, Application, Window };

// One recorded event as an <action> element: a mouse event carries its position, a key event
// its key's name.
struct XmlAction {
    std::string type; // "move", "leftdown", "leftup", "rightdown", "rightup", "keydown", "keyup"
    std::string key;
    int x = -1, y = -1;
};

struct XmlCommand {
    XmlBlock block = XmlBlock::Global;
    // The block's program identification: module (the program's file name without ".exe"),
    // company and description; window blocks add the caption and class.
    std::string module, company, programDescription, caption, windowClass;

    std::string name; // LIST slots as the XML writes them: [name]
    std::string group;
    std::string description;
    bool enabled = true; // false: the command file holds it but Dragon does not load it
    std::vector<std::string> states;
    std::string contentsType; // "SCRIPT", "DVC_SCRIPT", "TEXT-GRAPHICS", "ACTIONS", ...
    // DVC_SCRIPT as this program writes it: whether the command is a KEYS command (its body one
    // SendKeys statement) or a legacy SCRIPT. Dragon's own files do not say.
    std::optional<bool> keys;
    std::string body;     // a script's body, or the text of TEXT-GRAPHICS
    std::string richText; // the RTF of TEXT-GRAPHICS
    // The command record's body bytes as this program wrote them beside the fields, so that it
    // reads them back exactly (recorded actions, steps).
    std::optional<std::string> recordBody;
    bool recordBodyDamaged = false; // the attribute is there but holds no hexadecimal bytes
    std::vector<XmlAction> actions; // ACTIONS
    std::vector<std::string> steps; // STEP BY STEP, each step as the program shows it
    std::size_t line = 0;           // where the element starts, for messages
};

struct XmlList {
    std::string name;
    std::vector<std::string> values; // "written\spoken" with one backslash
};

struct XmlCommandSet {
    std::uint16_t languageId = 0x409; // a Windows language id
    std::vector<XmlCommand> commands;
    std::vector<XmlList> lists;
};

// The command file's language byte of a Windows language id (its primary language), and back.
std::uint8_t languageCodeOf(std::uint16_t languageId);
std::uint16_t languageIdOf(std::uint8_t languageCode);

// Reads an XML command set from the file's bytes (any of its encodings). On a malformed file,
// `error` names the line and column and nothing is returned. No DTD or external entity is ever
// read.
std::optional<XmlCommandSet> readXmlCommandSet(const std::string& bytes, std::string& error);

// The set as XML text (UTF-8), laid out as Dragon lays out its exports: CR LF line ends, tabs,
// a blank line between the parts. `encodingName` goes into the declaration.
std::string writeXmlCommandSet(const XmlCommandSet& set, std::string_view encodingName);

} // namespace qmk
