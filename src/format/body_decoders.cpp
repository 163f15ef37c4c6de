#include "format/body_decoders.h"

#include "common/text.h"

namespace qmk {

namespace {

enum EventKind : std::uint8_t { kKeyEvent = 1, kMouseEvent = 2, kOpaqueEvent = 3 };
constexpr std::uint32_t kKeyPayload = 8;
constexpr std::uint32_t kMousePayload = 20;

enum StepCode : std::uint8_t {
    kPress = 1,
    kOpen = 2,
    kWait = 3,
    kStopListening = 4,
    kMicrophoneOn = 5,
    kMicrophoneOff = 6,
    kTypeText = 11,
    kSendKeys = 12,
};

// The decoded text; a framing-only read wants no text and builds none.
class Lines {
public:
    explicit Lines(bool wanted) : wanted_(wanted) {}
    // `line` makes the line's text, only when the text is wanted.
    template <typename MakeLine> void add(MakeLine&& line) {
        if (!wanted_)
            return;
        if (!first_)
            text_ += kCrLf;
        first_ = false;
        text_ += line();
    }
    std::string take() { return std::move(text_); }

private:
    bool wanted_;
    std::string text_;
    bool first_ = true;
};

std::uint8_t byteAt(const ImageReader& in, std::uint32_t position) {
    ImageReader peek(in.image(), position);
    return peek.byte();
}

std::string mouseLine(std::uint8_t action, std::uint16_t x, std::uint16_t y) {
    switch (action) {
    case 0:
        return "Mouse move (" + std::to_string(x) + "," + std::to_string(y) + ")";
    case 1:
        return "Mouse left button down";
    case 2:
        return "Mouse left button up";
    case 4:
        return "Mouse right button down";
    case 5:
        return "Mouse right button up";
    default:
        return "Mouse something";
    }
}

std::string inQuotes(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// Frames a macro-recorder body, calling `onEvent(kind, payload)` for each key and mouse event
// with the position of its payload.
template <typename OnEvent> void walkRecorderEvents(ImageReader& in, OnEvent&& onEvent) {
    const std::uint8_t windows = static_cast<std::uint8_t>(in.u32());
    for (int i = 0; i < 6 * windows; ++i)
        in.string();
    const std::uint16_t events = in.u32Low16();
    for (std::uint32_t e = 0; e < events; ++e) {
        const std::uint8_t kind = in.byte();
        const std::uint32_t payload = in.position();
        if (kind == kKeyEvent) {
            in.skip(kKeyPayload);
            onEvent(kind, payload);
        } else if (kind == kMouseEvent) {
            in.skip(kMousePayload);
            onEvent(kind, payload);
        } else if (kind == kOpaqueEvent) {
            in.skip(kKeyPayload);
        }
        // Any other kind consumes its kind byte only.
    }
}

RecorderEvent eventAt(const ImageReader& in, std::uint8_t kind, std::uint32_t payload) {
    RecorderEvent event;
    if (kind == kKeyEvent) {
        event.key = true;
        event.code = byteAt(in, payload + 4);
        // Transition / 128 rounded half to even is 1 or more from 65 on.
        event.up = byteAt(in, payload + 7) >= 65;
    } else {
        event.code = byteAt(in, payload + 4);
        event.x = in.u16At(payload + 8);
        event.y = in.u16At(payload + 12);
    }
    return event;
}

std::string recorderBody(ImageReader& in, const KeyNames* keys) {
    Lines lines(keys != nullptr);
    walkRecorderEvents(in, [&](std::uint8_t kind, std::uint32_t payload) {
        lines.add([&] {
            const auto event = eventAt(in, kind, payload);
            return event.key ? (*keys)[event.code] + " key " + (event.up ? "up" : "down")
                             : mouseLine(event.code, event.x, event.y);
        });
    });
    return lines.take();
}

std::string stepByStepBody(ImageReader& in, const KeyNames* keys) {
    const std::uint8_t steps = static_cast<std::uint8_t>(in.u32());
    Lines lines(keys != nullptr);
    for (int s = 0; s < steps; ++s) {
        const std::uint8_t code = in.byte();
        switch (code) {
        case kPress: {
            const std::uint8_t key = in.byte();
            const std::uint8_t modifiers = in.byte();
            lines.add([&] {
                std::string line = "Press ";
                if (modifiers & 1)
                    line += "Shift + ";
                if (modifiers & 2)
                    line += "Ctrl + ";
                if (modifiers & 4)
                    line += "Alt + ";
                return line + (*keys)[key];
            });
            break;
        }
        case kOpen: {
            const auto a = in.string();
            const auto b = in.string();
            const auto c = in.string();
            const std::uint8_t mode = static_cast<std::uint8_t>(in.u32());
            lines.add([&] {
                return "Open " + inQuotes(a) + "," + inQuotes(b) + "," + inQuotes(c) + "," +
                       inQuotes(mode == 1 ? std::string() : std::to_string(mode));
            });
            break;
        }
        case kWait: {
            const std::uint16_t milliseconds = in.u32Low16();
            lines.add([&] { return "wait " + std::to_string(milliseconds) + " milliseconds"; });
            break;
        }
        case kStopListening:
            lines.add([] { return std::string("Stop Listening"); });
            break;
        case kMicrophoneOn:
            lines.add([] { return std::string("Microphone On"); });
            break;
        case kMicrophoneOff:
            lines.add([] { return std::string("Microphone Off"); });
            break;
        case kTypeText:
        case kSendKeys: {
            const auto text = in.string();
            lines.add([&] { return (code == kTypeText ? "Type " : "SendKeys ") + inQuotes(text); });
            break;
        }
        default:
            throw FileDamage::unknownStepCode(code, in.position());
        }
    }
    return lines.take();
}

} // namespace

std::string decodeRecorderBody(ImageReader& in, const KeyNames& keys) {
    return recorderBody(in, &keys);
}

std::string decodeStepByStepBody(ImageReader& in, const KeyNames& keys) {
    return stepByStepBody(in, &keys);
}

std::vector<RecorderEvent> recorderEvents(ImageReader& in) {
    std::vector<RecorderEvent> events;
    walkRecorderEvents(in, [&](std::uint8_t kind, std::uint32_t payload) {
        events.push_back(eventAt(in, kind, payload));
    });
    return events;
}

void skipRecorderBody(ImageReader& in) {
    recorderBody(in, nullptr);
}

void skipStepByStepBody(ImageReader& in) {
    stepByStepBody(in, nullptr);
}

} // namespace qmk
