#pragma once

#include "common/file_time.h"
#include "format/layout.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace qmk {

struct FileProperties {
    std::string versionText = "10.0";
    std::string generationLabel = "10.x";
    // Unknown for a version code outside the table: no generation-specific field is read.
    layout::Generation generation = layout::Generation::Unknown;
    std::uint8_t languageCode = 0;
    std::string languageName = "Unknown";
    FileTime modified;
    std::uint64_t size = 0;
};

// Decodes version and language from the header. An unknown version code keeps the previous
// version text and label. Returns false when the image is too short to hold a header.
bool decodeHeader(std::string_view image, FileProperties& properties);

} // namespace qmk
