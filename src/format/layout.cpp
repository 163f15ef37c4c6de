#include "format/layout.h"

namespace qmk::layout {

const GenerationInfo* findGeneration(std::uint8_t versionCode) {
    for (const auto& info : kGenerations)
        if (info.versionCode == versionCode)
            return &info;
    return nullptr;
}

RecordLayout recordLayout(Generation generation) {
    switch (generation) {
    case Generation::V7:
        return {true, false, false, true};
    case Generation::V8:
        return {true, true, false, true};
    case Generation::V10:
        return {true, true, true, true};
    case Generation::V6:
    case Generation::Unknown:
        break;
    }
    return {};
}

std::string_view languageName(std::uint8_t code) {
    for (const auto& language : kLanguages)
        if (language.code == code)
            return language.name;
    return "Unknown";
}

} // namespace qmk::layout
