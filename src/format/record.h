#pragma once

#include "common/item_type.h"
#include "format/image_reader.h"
#include "format/keynames.h"
#include "format/layout.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qmk {

// One command record as read from the file image. Texts are the file's own Windows-1252 bytes;
// views point into the image.
struct CommandRecord {
    std::uint32_t offset = 0;
    std::string_view name;
    std::uint8_t listReferences = 0; // low byte of the 32-bit count
    std::string_view description;
    std::string_view group; // as stored: empty for "User-defined"
    std::uint32_t scopeBytePosition = 0;
    std::uint8_t scopeByte = 0;
    std::string_view program;
    std::string_view programDescription;
    std::string_view companyName;
    std::string_view windowTitle;
    std::string_view windowClass;
    std::vector<std::string_view> stateNames;
    std::uint8_t typeByte = 0;
    std::uint32_t typeByteEnd = 0;
    bool encrypted = false;
    std::uint32_t offsetbody = 0;
    std::uint32_t graphicsize = 0;
    std::string script;    // string bodies as stored; recorder and step bodies as decoded text
    std::uint32_t end = 0; // position just after the record

    bool notLoaded() const { return (scopeByte & layout::kNotLoadedBit) != 0; }
    std::uint8_t availability() const { return scopeByte & layout::kAvailabilityMask; }
    // The record's type; None for a type byte outside the table.
    ItemType type() const;
};

struct ListRecord {
    std::uint32_t offset = 0;
    std::string_view name;
    std::vector<std::string_view> items;
    std::uint32_t end = 0;
};

// A LIST record as this program writes it: the name, the LIST marker 1, the item count and
// the items, each text in the file's bytes.
std::string listRecordBytes(std::string_view name, const std::vector<std::string>& items);

// The type of a command type byte; None for a byte outside the table.
ItemType itemTypeOf(std::uint8_t typeByte, std::uint32_t graphicSize);

// A record's name, checked: a byte below 32 throws FileDamage.
std::string_view readRecordName(ImageReader& in);

// Reads the record at the reader's position and leaves the reader after it. Throws FileDamage
// on damage.
CommandRecord readCommandRecord(ImageReader& in, layout::Generation generation,
                                const KeyNames& keys);
ListRecord readListRecord(ImageReader& in);

// What a writer puts after the type byte of a record that is not encrypted: a zero encryption
// byte and an empty pre-body block, each where the layout holds it.
void appendBlankFieldsAfterType(std::string& out, const layout::RecordLayout& fields);

// The LIST items joined as the store keeps them: each item followed by CR LF.
std::string joinListItems(const std::vector<std::string_view>& items);

} // namespace qmk
