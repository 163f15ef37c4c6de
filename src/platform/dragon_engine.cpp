#include "platform/dragon_engine.h"

#include <cstdlib>
#include <string>

namespace qmk {

EngineVersion SimulatedEngine::version() {
    EngineVersion version;
    if (const char* text = std::getenv("QUILLMARK10_DRAGON_VERSION"); text && *text) {
        const std::string value(text);
        const auto dot = value.find('.');
        version.major = static_cast<std::uint16_t>(std::atoi(value.substr(0, dot).c_str()));
        if (dot != std::string::npos)
            version.minor = static_cast<std::uint16_t>(std::atoi(value.substr(dot + 1).c_str()));
    }
    return version;
}

} // namespace qmk
