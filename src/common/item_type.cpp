#include "common/item_type.h"

#include <algorithm>

namespace qmk {

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
    switch (type) {
    case ItemType::Keys:
        return "KEYS";
    case ItemType::Script:
        return "SCRIPT";
    case ItemType::List:
        return "LIST";
    case ItemType::TextAndGraphics:
        return "Text & Graphics";
    case ItemType::PlainText:
        return "Plain Text";
    case ItemType::MacroRecorder:
        return "Macro Recorder";
    case ItemType::StepByStep:
        return "Step by Step";
    case ItemType::AdvancedScript:
        return "Advanced Script";
    case ItemType::None:
        break;
    }
    return "";
}

} // namespace qmk
