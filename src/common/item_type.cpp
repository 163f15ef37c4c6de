#include "common/item_type.h"

#include <algorithm>

namespace qmk {

namespace {

struct TypeName {
    ItemType type;
    const char* name;
};
// Each type of the View menu with the name the window shows.
constexpr std::array<TypeName, kViewTypes.size()> kTypeNames{{
    {ItemType::Keys, "KEYS"},
    {ItemType::Script, "SCRIPT"},
    {ItemType::List, "LIST"},
    {ItemType::TextAndGraphics, "Text & Graphics"},
    {ItemType::PlainText, "Plain Text"},
    {ItemType::MacroRecorder, "Macro Recorder"},
    {ItemType::StepByStep, "Step by Step"},
    {ItemType::AdvancedScript, "Advanced Script"},
}};

} // namespace

std::string letterOf(ItemType type) {
    return type == ItemType::None ? std::string() : std::string(1, static_cast<char>(type));
}

ItemType itemTypeOfLetter(std::string_view letter) {
    const auto found = std::find_if(kViewTypes.begin(), kViewTypes.end(), [letter](ItemType type) {
        return letter.size() == 1 && letter[0] == static_cast<char>(type);
    });
    return found == kViewTypes.end() ? ItemType::None : *found;
}

std::string typeDisplayName(ItemType type) {
    const auto found = std::find_if(kTypeNames.begin(), kTypeNames.end(),
                                    [type](const TypeName& entry) { return entry.type == type; });
    return found == kTypeNames.end() ? std::string() : found->name;
}

} // namespace qmk
