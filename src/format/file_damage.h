#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace qmk {

// The command file's image is damaged where a reader met it. Every reader of the image throws
// this one type, and each walk catches it once; `kind` says what was met.
class FileDamage : public std::runtime_error {
public:
    enum class Kind {
        Overrun,         // a read would run past the end of the image
        DamagedName,     // a name holds a byte below 32
        UnknownStepCode, // a step code outside the table: nothing after it can be framed
    };

    // `position` is where the failing read began.
    static FileDamage overrun(std::uint32_t position) { return {Kind::Overrun, position, {}, 0}; }
    // `position` is the name's first character; `name` its bytes.
    static FileDamage damagedName(std::string name, std::uint32_t position) {
        return {Kind::DamagedName, position, std::move(name), 0};
    }
    // `position` is just after the code byte.
    static FileDamage unknownStepCode(std::uint8_t code, std::uint32_t position) {
        return {Kind::UnknownStepCode, position, {}, code};
    }

    Kind kind() const { return kind_; }
    std::uint32_t position() const { return position_; }
    const std::string& name() const { return name_; }   // of a DamagedName
    std::uint8_t stepCode() const { return stepCode_; } // of an UnknownStepCode

private:
    FileDamage(Kind kind, std::uint32_t position, std::string name, std::uint8_t stepCode)
        : std::runtime_error(describe(kind, position, stepCode)), kind_(kind), position_(position),
          name_(std::move(name)), stepCode_(stepCode) {}

    static std::string describe(Kind kind, std::uint32_t position, std::uint8_t stepCode) {
        switch (kind) {
        case Kind::Overrun:
            return "damaged at position " + std::to_string(position);
        case Kind::DamagedName:
            return "a damaged name at position " + std::to_string(position);
        case Kind::UnknownStepCode:
            break;
        }
        return "unknown step code " + std::to_string(stepCode);
    }

    Kind kind_;
    std::uint32_t position_;
    std::string name_;
    std::uint8_t stepCode_;
};

} // namespace qmk
