#include "format/file_properties.h"

namespace qmk {

bool decodeHeader(std::string_view image, FileProperties& properties) {
    if (image.size() < layout::kHeaderSize)
        return false;
    const auto code = static_cast<std::uint8_t>(image[layout::kVersionOffset]);
    if (const auto* info = layout::findGeneration(code)) {
        properties.versionText = info->versionText;
        properties.generationLabel = info->label;
        properties.generation = info->generation;
    } else {
        properties.generation = layout::Generation::Unknown;
    }
    properties.languageCode = static_cast<std::uint8_t>(image[layout::kLanguageOffset]);
    properties.languageName = layout::languageName(properties.languageCode);
    return true;
}

} // namespace qmk
