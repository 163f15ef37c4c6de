#pragma once

#include "format/image_reader.h"
#include "format/keynames.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qmk {

// Macro-recorder and step-by-step bodies rendered as text, one line per action, lines joined
// with CR LF. Both leave the reader just after the body.
std::string decodeRecorderBody(ImageReader& in, const KeyNames& keys);
std::string decodeStepByStepBody(ImageReader& in, const KeyNames& keys);
// A key or mouse event of a macro-recorder body: a key's code and direction, or a mouse
// action (0 move, 1 and 2 left button down and up, 4 and 5 right) and position.
struct RecorderEvent {
    bool key = false;
    std::uint8_t code = 0;
    bool up = false;
    std::uint16_t x = 0, y = 0;
};
// The key and mouse events of a macro-recorder body, in order; the reader ends after the body.
std::vector<RecorderEvent> recorderEvents(ImageReader& in);
// The same framing without the text, for walks that copy the body unchanged.
void skipRecorderBody(ImageReader& in);
void skipStepByStepBody(ImageReader& in);

} // namespace qmk
