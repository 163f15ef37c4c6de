#pragma once

#include "format/file_damage.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qmk {

// Reads the primitives of the command file from its image. Positions are 1-based. Every read
// checks what remains first; none ever reads outside the image.
class ImageReader {
public:
    explicit ImageReader(std::string_view image, std::uint32_t position = 1)
        : image_(image), position_(position) {}

    std::uint32_t position() const { return position_; }
    void setPosition(std::uint32_t position) { position_ = position; }
    std::string_view image() const { return image_; }
    bool atEnd() const { return offset() >= image_.size(); }

    std::uint8_t byte();
    std::uint16_t u16At(std::uint32_t position) const; // does not advance
    std::uint32_t u32();
    // A 32-bit count of which readers use the low 16 bits only (the LIST count, a LIST's
    // items, a recording's events).
    std::uint16_t u32Low16();
    std::uint32_t count();     // a count prefix of 1, 3 or 7 bytes
    std::string_view string(); // a counted string, bytes as stored
    void skip(std::uint32_t bytes);

private:
    std::size_t offset() const { return std::size_t{position_} - 1; }
    void require(std::size_t bytes, std::uint32_t from) const;

    std::string_view image_;
    std::uint32_t position_;
};

} // namespace qmk
