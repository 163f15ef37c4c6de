#pragma once

#include "store/user_row.h"
#include "writer/record_edits.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace qmk {

// The three fields of the item view the user types into, in the window's form (CR LF line
// breaks, backslashes as shown).
struct ItemTexts {
    std::string body, description, group;
    friend bool operator==(const ItemTexts&, const ItemTexts&) = default;
};

// What an edit writes to. It is fixed when the edit begins (Modify, a conversion, typing, New,
// New LIST, Clone), so Save never asks what the window shows by then.
struct EditTarget {
    enum class Kind { Existing, NewCommand, NewList, Clone };
    Kind kind = Kind::Existing;
    std::string program, scope;
    std::string name;               // the item's name, or the name of the item to be made
    ItemType type = ItemType::None; // the type the saved item has
    std::int64_t rowId = 0;         // Existing: the row shown when the edit began
    std::optional<UserRow> model;   // a new command or clone: the command it sits beside
    bool bodyUndoubled = false;     // the body was shown with doubled backslashes single
    std::optional<Conversion> conversion;

    bool creates() const { return kind != Kind::Existing; }
};

// Whether the main window is editing, what, and what the user has typed since: the one gate that
// every input path (menus, keys, tool bar, tabs, lists, voice, drops, timers) asks before it
// changes the item shown.
class EditGate {
public:
    bool editing() const { return edit_.has_value(); }
    // Asked by every input that would show another item, file or view, or begin an edit. While
    // editing, or while work waits for Dragon (`busy`), it says no, and the window is told why.
    bool allowsLeaving();
    void refuseWhile(std::function<bool()> busy) { busy_ = std::move(busy); }
    // The window is told when an input was refused (`whatToDo` says why and what to do).
    void onRefusal(std::function<void(const std::string& whatToDo)> told) {
        told_ = std::move(told);
    }

    void begin(EditTarget target, ItemTexts shown, ItemTexts typed);
    void end() { edit_.reset(); }

    // Only while editing.
    const EditTarget& target() const { return edit_->target; }
    EditTarget& target() { return edit_->target; }
    // The texts as the window showed them when the edit began, and as typed since.
    const ItemTexts& shown() const { return edit_->shown; }
    ItemTexts& typed() { return edit_->typed; }
    const ItemTexts& typed() const { return edit_->typed; }

private:
    struct Edit {
        EditTarget target;
        ItemTexts shown, typed;
    };
    std::optional<Edit> edit_;
    std::function<void(const std::string&)> told_;
    std::function<bool()> busy_;
};

} // namespace qmk
