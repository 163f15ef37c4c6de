#pragma once

#include "common/item_type.h"
#include "writer/update_engine.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace qmk {

// What a new command record carries. Texts are UTF-8; the identification strings are the
// file's own bytes, copied from the command the new one sits beside.
struct NewCommand {
    ItemType type = ItemType::None; // KEYS, SCRIPT, Advanced Script or Plain Text; an import
                                    // also writes the other command types
    std::string name;
    std::string description;
    std::string group;   // "User-defined" is written as the empty group
    std::string program; // the Program as the store holds it
    std::string scope;
    std::string programName; // as read from the model record (Windows-1252)
    std::string programDescription;
    std::string companyName;
    std::string windowClass;
    std::string body;
    // What an imported command brings beyond a new one: its states (8/9 and 10.x files hold
    // them), the not-loaded mark, the graphic of "T" and, for "R" and "X", the body's own bytes.
    std::vector<std::string> states;
    bool notLoaded = false;
    std::string graphic;
    std::optional<std::string> storedBody;
};

// The bytes of a new command record in the layout of `generation`, or why it cannot be written.
std::variant<std::string, Outcome> encodeNewCommand(const NewCommand& command,
                                                    layout::Generation generation);

// Adds the command before the lists section (command count + 1) and its row to the store.
Outcome addCommandRecord(UpdateEngine& engine, const NewCommand& command);
// Adds the LIST at the end of the file (LIST count + 1) and its row to the store.
Outcome addListRecord(UpdateEngine& engine, const std::string& name, const std::string& items);

} // namespace qmk
