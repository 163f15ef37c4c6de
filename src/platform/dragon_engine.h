#pragma once

#include <cstdint>

namespace qmk {

// The version Dragon's engine control reports: major, minor-version code, and a build number
// nothing reads.
struct EngineVersion {
    std::uint16_t major = 10;
    std::uint16_t minor = 10;
    std::uint16_t build = 0;
};

// Dragon's engine control, as far as the program uses it so far.
class DragonEngine {
public:
    virtual ~DragonEngine() = default;
    virtual EngineVersion version() = 0;
};

// The simulated engine: version 10.1 unless QUILLMARK10_DRAGON_VERSION says otherwise, as
// "MAJOR.MINORCODE" (for example "10.10" or "9.50").
class SimulatedEngine final : public DragonEngine {
public:
    EngineVersion version() override;
};

} // namespace qmk
