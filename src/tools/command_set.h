#pragma once

#include "common/item_type.h"
#include "common/program_dir.h"
#include "format/file_properties.h"
#include "format/keynames.h"

#include <filesystem>
#include <string>
#include <variant>
#include <vector>

namespace qmk {

// One command or LIST of a command file, as the comparison and the conflict search see it:
// texts in UTF-8, the Program as the store keys it (upper-cased unless it is the global one).
struct SetItem {
    bool list = false;
    std::string program, scope, name;
    ItemType type = ItemType::None;
    std::string description; // empty for a LIST
    std::string group;       // "User-defined" for the empty group; "Dragon" for a LIST
    std::string body;        // string bodies as stored; recorder and step bodies as text; items
    std::string graphic;     // Text and Graphics with a graphic: the body's bytes as stored
    std::vector<std::string> states;
    bool encrypted = false;
};

// Every command and LIST of a command file of any generation, in file order. Records Dragon has
// not loaded are left out, as the store leaves them out.
struct CommandSet {
    std::filesystem::path file;
    FileProperties properties;
    std::vector<SetItem> items;
};

// Reads a command file without touching the command store; the message when it cannot.
std::variant<CommandSet, std::string> readCommandSet(const std::filesystem::path& file,
                                                     const KeyNames& keys);
// The same with the key-name table of the program's directory.
std::variant<CommandSet, std::string> readCommandSet(const std::filesystem::path& file,
                                                     const ProgramDir& home);

} // namespace qmk
