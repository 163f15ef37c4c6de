#pragma once

#include "format/image_reader.h"
#include "format/layout.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmk {

// What a rebuild does to the records it walks.
enum class WalkOperation {
    Copy,
    Delete,
    Group,
    Program,
    ConvertFormat,       // to the format WalkTransform::targetFormat names
    DvcToPlainText,      // KEYS commands become Plain Text
    DvcToSendKeys,       // ... Advanced Scripts with SendKeys
    DvcToSendDragonKeys, // ... Advanced Scripts with SendDragonKeys
};

// What the DVC conversions report: the change log's text and whether a key string was refused.
struct ConversionLog {
    std::string text; // Windows-1252, CR LF line ends
    bool notConverted = false;
};

struct WalkTransform {
    WalkOperation operation = WalkOperation::Copy;
    std::string selectedGroup;     // "group": the group renamed, or "All groups" (Windows-1252)
    std::string newText;           // "group" and "program": the new name (Windows-1252)
    ConversionLog* log = nullptr;  // the DVC conversions write here
    std::string targetFormat = {}; // a format conversion's target: "6.0", "6.1", "7.0" or "8.0"
};

// The fields of the record being walked, as the file holds them (Windows-1252). The views point
// into the image being walked, or into the transform applied, and live as long as they do.
struct RecordContext {
    std::string_view name;
    std::string_view description;
    std::string_view group; // "User-defined" for the empty group
    std::string_view program;
    std::string_view scope;
    std::uint8_t availability = 0;
    std::uint8_t typeByte = 0;
    std::uint32_t graphicSize = 0;
    bool encrypted = false;
    std::uint32_t bodyStart = 0;

    // String bodies as stored (empty for recorder and step bodies), the LIST items, or a
    // body the walk rewrote.
    std::string_view body() const { return ownsBody ? ownedBody : storedBody; }
    void setBody(std::string text) {
        ownedBody = std::move(text);
        ownsBody = true;
    }
    std::string_view storedBody;
    std::string ownedBody;
    bool ownsBody = false;
};

// Walks records of one file image, written again in the layout of the output generation, with
// the transform applied to the records the caller selects. Reads mirror the parser's record reader.
class RecordWalker {
public:
    RecordWalker(std::string_view image, layout::Generation source, layout::Generation output)
        : image_(image), source_(source), output_(output) {}

    // Walks the command record at `position` onto `out`; returns its context and leaves the
    // position of the next record in `end`. Throws FileDamage (a name holding a byte below
    // 32 or a read past the end: the walk stops before anything is committed).
    RecordContext walkCommand(std::uint32_t position, bool selected, const WalkTransform& transform,
                              std::string& out, std::uint32_t& end) const;
    // Copies the LIST record at `position` onto `out`.
    RecordContext copyList(std::uint32_t position, std::string& out, std::uint32_t& end) const;

private:
    // The program and, for a window, its title and class, with a Program rename applied.
    void walkProgramIdentity(ImageReader& in, RecordContext& context, bool selected,
                             const WalkTransform& transform, std::string& out) const;
    // `typeAt` is where the record's type byte stands in `out`.
    void walkBody(ImageReader& in, RecordContext& context, bool selected,
                  const WalkTransform& transform, std::string& out, std::size_t typeAt) const;
    // A selected keys record under a DVC conversion; false when it stays as it is.
    bool convertKeys(RecordContext& context, const WalkTransform& transform, std::string& out,
                     std::size_t typeAt) const;

    std::string_view image_;
    layout::Generation source_;
    layout::Generation output_;
};

// The header of a rebuilt file: the template with the version and language codes set.
std::string rebuiltHeader(std::uint8_t versionCode, std::uint8_t languageCode);

} // namespace qmk
