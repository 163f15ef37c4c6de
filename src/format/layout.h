#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// The command file's constants: header, version and language codes, type bytes, block sizes.
namespace qmk::layout {

inline constexpr std::size_t kHeaderSize = 21;
// Positions are 1-based: position p is file offset p - 1.
inline constexpr std::uint32_t kFirstRecordPosition = 22;
inline constexpr std::uint32_t kCommandCountPosition = 18;
inline constexpr std::size_t kVersionOffset = 4;
inline constexpr std::size_t kLanguageOffset = 15;

// A header built from scratch; version and language bytes are then set from the open file.
inline constexpr std::array<std::uint8_t, kHeaderSize> kHeaderTemplate{
    76, 72, 83, 80, 4, 2, 135, 0, 0, 0, 0, 0, 0, 0, 0, 9, 4, 0, 0, 0, 0};

inline constexpr std::uint32_t kReservedBlockSize = 12;
inline constexpr std::uint32_t kPreBodyBlockSize = 8;
inline constexpr std::uint32_t kEncryptedPreBodySize = 7; // then one counted string
inline constexpr std::uint32_t kListMarker = 1;

// Count prefix forms.
inline constexpr std::uint8_t kCountEscape = 255;
inline constexpr std::uint16_t kCountWide = 65535;
inline constexpr std::uint32_t kLargestShortCount = 65533; // 65534 is written in the 7-byte form
// Readers keep the low 16 bits of the command count, the LIST count and a LIST's item count, so
// no writer may take them past this.
inline constexpr std::uint32_t kLargestRecordCount = 65535;

enum class Generation { V6, V7, V8, V10, Unknown };

struct GenerationInfo {
    std::uint8_t versionCode;
    std::string_view versionText;
    std::string_view label; // what the writers compare against
    Generation generation;
};

inline constexpr std::array<GenerationInfo, 5> kGenerations{{
    {3, "6.0", "6.0", Generation::V6},
    {4, "6.1", "6.1", Generation::V6},
    {5, "7.0", "7.x", Generation::V7},
    {6, "8.0", "8/9", Generation::V8},
    {7, "10.0", "10.x", Generation::V10},
}};

const GenerationInfo* findGeneration(std::uint8_t versionCode);

// The fields of a command record, in file order. Reading, copying and writing a record all go
// through this one list, so no two of them can disagree on where a field lies.
enum class RecordField : std::uint8_t {
    Name,
    ListReferences, // a count, then the LIST names the name holds
    Description,
    Group,
    ScopeByte,       // the availability, and whether Dragon loads the command
    ReservedBlock,   // 12 bytes
    ProgramIdentity, // program, description and company; title and class for a window too
    States,          // a count, then the state names
    TypeByte,
    EncryptionByte,
    PreBodyBlock, // 8 bytes; 7 and a counted string when encrypted
    Body,         // the last: kRecordFields counts up to it
};
// Every field, in the enumeration's own order: the order above is the one list.
inline constexpr auto kRecordFields = [] {
    std::array<RecordField, static_cast<std::size_t>(RecordField::Body) + 1> fields{};
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i] = static_cast<RecordField>(i);
    return fields;
}();

// Which optional fields a command record of a generation carries.
struct RecordLayout {
    bool reservedBlock = false;
    bool statesBlock = false;
    bool encryptionByte = false;
    bool preBodyBlock = false;

    // Whether a record of this layout holds the field at all.
    constexpr bool holds(RecordField field) const {
        switch (field) {
        case RecordField::ReservedBlock:
            return reservedBlock;
        case RecordField::States:
            return statesBlock;
        case RecordField::EncryptionByte:
            return encryptionByte;
        case RecordField::PreBodyBlock:
            return preBodyBlock;
        default:
            return true;
        }
    }
};
RecordLayout recordLayout(Generation generation);

struct Language {
    std::uint8_t code;
    std::string_view name;
};
inline constexpr std::array<Language, 5> kLanguages{
    {{9, "English"}, {7, "German"}, {10, "Spanish"}, {12, "French"}, {19, "Dutch"}}};
std::string_view languageName(std::uint8_t code); // "Unknown" outside the table

// Scope byte.
inline constexpr std::uint8_t kNotLoadedBit = 0x80;
inline constexpr std::uint8_t kAvailabilityMask = 0x7f;
enum Availability : std::uint8_t { kGlobal = 0, kApplication = 1, kWindow = 2 };

// Type bytes. LIST records carry no type byte.
enum TypeByte : std::uint8_t {
    kTextAndGraphics = 1,
    kMacroRecorder = 2,
    kStepByStep = 3,
    kAdvancedScripting = 4,
    kScript = 16,
    kKeystrokes = 17,
};

} // namespace qmk::layout
