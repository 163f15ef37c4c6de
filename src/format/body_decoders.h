#pragma once

#include "format/image_reader.h"
#include "format/keynames.h"

#include <cstdint>
#include <string>

namespace qmk {

// A step code outside the table: the step's length is unknown, so nothing after it can be framed.
struct UnknownStepCode {
    std::uint8_t code;
    std::uint32_t position; // just after the code byte
};

// Macro-recorder and step-by-step bodies rendered as text, one line per action, lines joined
// with CR LF. Both leave the reader just after the body.
std::string decodeRecorderBody(ImageReader& in, const KeyNames& keys);
std::string decodeStepByStepBody(ImageReader& in, const KeyNames& keys);
// The same framing without the text, for walks that copy the body unchanged.
void skipRecorderBody(ImageReader& in);
void skipStepByStepBody(ImageReader& in);

} // namespace qmk
