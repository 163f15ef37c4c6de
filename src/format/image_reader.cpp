#include "format/image_reader.h"

#include "format/layout.h"

namespace qmk {

void ImageReader::require(std::size_t bytes, std::uint32_t from) const {
    const std::size_t start = std::size_t{from} - 1;
    if (from == 0 || start > image_.size() || image_.size() - start < bytes)
        throw FileDamage::overrun(from);
}

std::uint8_t ImageReader::byte() {
    require(1, position_);
    const auto value = static_cast<std::uint8_t>(image_[offset()]);
    ++position_;
    return value;
}

std::uint16_t ImageReader::u16At(std::uint32_t position) const {
    require(2, position);
    const std::size_t at = std::size_t{position} - 1;
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(image_[at]) |
                                      static_cast<std::uint8_t>(image_[at + 1]) << 8);
}

std::uint32_t ImageReader::u32() {
    require(4, position_);
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= std::uint32_t{static_cast<std::uint8_t>(image_[offset() + i])} << (8 * i);
    position_ += 4;
    return value;
}

std::uint32_t ImageReader::count() {
    const auto start = position_;
    const std::uint8_t first = byte();
    if (first != layout::kCountEscape)
        return first;
    const std::uint16_t word = u16At(position_);
    position_ += 2;
    if (word != layout::kCountWide)
        return word;
    const std::uint32_t wide = u32();
    // Read as a signed 32-bit number: a negative count is a damaged file.
    if (wide > 0x7fffffffu)
        throw FileDamage::overrun(start);
    return wide;
}

std::string_view ImageReader::string() {
    const auto start = position_;
    const std::uint32_t length = count();
    if (image_.size() - offset() < length)
        throw FileDamage::overrun(start);
    const auto text = image_.substr(offset(), length);
    position_ += length;
    return text;
}

std::uint16_t ImageReader::u32Low16() {
    return static_cast<std::uint16_t>(u32());
}

void ImageReader::skip(std::uint32_t bytes) {
    require(bytes, position_);
    position_ += bytes;
}

} // namespace qmk
