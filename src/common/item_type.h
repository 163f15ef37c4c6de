#pragma once

#include <array>
#include <string>
#include <string_view>

namespace qmk {

// What a record of the command file holds: one of the kinds of command, or a LIST. The store
// keeps each as its letter; `None` is a record of a kind no View shows.
enum class ItemType : char {
    None = 0,
    Keys = 'K',
    Script = 'S',
    List = 'L',
    TextAndGraphics = 'T',
    PlainText = 'P',
    MacroRecorder = 'R',
    StepByStep = 'X',
    AdvancedScript = 'A',
};

// The types in the View menu's order.
inline constexpr std::array<ItemType, 8> kViewTypes{
    ItemType::Keys,      ItemType::Script,        ItemType::List,       ItemType::TextAndGraphics,
    ItemType::PlainText, ItemType::MacroRecorder, ItemType::StepByStep, ItemType::AdvancedScript};

// The letter the store keeps ("" for None), and back (None for any other text).
std::string letterOf(ItemType type);
ItemType itemTypeOfLetter(std::string_view letter);
// The name the window shows ("KEYS", "Advanced Script"); empty for None.
std::string typeDisplayName(ItemType type);

} // namespace qmk
