#pragma once

#include "format/layout.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace qmk::fixture {

// A counted string as the file stores it.
std::string counted(const std::string& text);

// Recorder events as the file stores them.
struct RecorderEvent {
    std::uint8_t kind = 1;
    std::uint8_t keyOrAction = 0;
    std::uint8_t transition = 0;
    std::uint16_t x = 0;
    std::uint16_t y = 0;

    static RecorderEvent key(std::uint8_t code, std::uint8_t transition) {
        return {1, code, transition, 0, 0};
    }
    static RecorderEvent mouse(std::uint8_t action, std::uint16_t x = 0, std::uint16_t y = 0) {
        return {2, action, 0, x, y};
    }
    static RecorderEvent opaque() { return {3, 0, 0, 0, 0}; }
    static RecorderEvent unknownKind(std::uint8_t kind) { return {kind, 0, 0, 0, 0}; }
};

struct RecorderWindow {
    std::vector<std::string> strings = std::vector<std::string>(6, "w");
};

// One step of a step-by-step body, encoded as the file stores it.
struct Step {
    std::string bytes;

    static Step press(std::uint8_t key, std::uint8_t modifiers = 0);
    static Step open(const std::string& a, const std::string& b, const std::string& c,
                     std::uint32_t mode);
    static Step wait(std::uint32_t milliseconds);
    static Step stopListening() { return {std::string(1, '\x04')}; }
    static Step microphoneOn() { return {std::string(1, '\x05')}; }
    static Step microphoneOff() { return {std::string(1, '\x06')}; }
    static Step type(const std::string& text);
    static Step sendKeys(const std::string& keys);
    static Step unknown(std::uint8_t code) { return {std::string(1, static_cast<char>(code))}; }
};

// A command record under construction. Texts are Windows-1252 bytes.
class Command {
public:
    explicit Command(std::string name) : name_(std::move(name)) {}

    Command& description(std::string text) {
        description_ = std::move(text);
        return *this;
    }
    Command& group(std::string text) {
        group_ = std::move(text);
        return *this;
    }
    Command& listReferences(std::vector<std::string> names, std::uint32_t storedCount);
    Command& listReferences(std::vector<std::string> names);
    Command& global() {
        availability_ = 0;
        return *this;
    }
    Command& application(std::string program, std::string description = "Program",
                         std::string company = "Company");
    Command& window(std::string program, std::string title, std::string windowClass = "Class",
                    std::string description = "Program", std::string company = "Company");
    Command& availability(std::uint8_t value) {
        availability_ = value;
        return *this;
    }
    Command& notLoaded() {
        notLoaded_ = true;
        return *this;
    }
    Command& states(std::vector<std::string> names) {
        states_ = std::move(names);
        return *this;
    }
    Command& encrypted(std::uint8_t byte = 1, std::string extra = "key");

    Command& keys(std::string body) { return stringBody(layout::kKeystrokes, std::move(body)); }
    Command& script(std::string body) { return stringBody(layout::kScript, std::move(body)); }
    Command& advanced(std::string body) {
        return stringBody(layout::kAdvancedScripting, std::move(body));
    }
    Command& plainText(std::string body) { return textAndGraphics("", std::move(body)); }
    Command& textAndGraphics(std::string graphic, std::string text);
    Command& recorder(std::vector<RecorderEvent> events, std::vector<RecorderWindow> windows = {});
    Command& steps(std::vector<Step> steps);
    // A type byte outside the table: nothing follows the pre-body block.
    Command& unknownType(std::uint8_t typeByte) {
        typeByte_ = typeByte;
        body_.clear();
        return *this;
    }

    std::string encode(layout::Generation generation) const;
    const std::string& name() const { return name_; }

private:
    Command& stringBody(std::uint8_t typeByte, std::string body);

    std::string name_;
    std::vector<std::string> references_;
    std::uint32_t referenceCount_ = 0;
    std::string description_;
    std::string group_;
    std::uint8_t availability_ = 0;
    bool notLoaded_ = false;
    std::vector<std::string> availabilityStrings_;
    std::vector<std::string> states_;
    std::uint8_t encryptionByte_ = 0;
    std::string encryptionExtra_;
    std::uint8_t typeByte_ = layout::kKeystrokes;
    std::string body_ = std::string(1, '\0');
};

struct List {
    std::string name;
    std::vector<std::string> items;
    std::uint32_t storedItemCount = 0xffffffff; // the real count unless set
};

// Builds command files of every generation with every record kind.
class CommandFileBuilder {
public:
    explicit CommandFileBuilder(std::uint8_t versionCode = 7, std::uint8_t languageCode = 9)
        : versionCode_(versionCode), languageCode_(languageCode) {}

    static std::uint8_t versionCode(layout::Generation generation);

    Command& command(std::string name);
    CommandFileBuilder& list(std::string name, std::vector<std::string> items);
    CommandFileBuilder& rawList(List list);
    // The header's command count as stored, when it should differ from the records given.
    CommandFileBuilder& storedCommandCount(std::uint32_t count) {
        storedCount_ = count;
        return *this;
    }
    CommandFileBuilder& omitListsSection() {
        listsSection_ = false;
        return *this;
    }

    std::string build() const;
    void write(const std::string& path) const;

private:
    std::uint8_t versionCode_;
    std::uint8_t languageCode_;
    std::deque<Command> commands_; // stable references for chained calls
    std::vector<List> lists_;
    std::int64_t storedCount_ = -1;
    bool listsSection_ = true;
};

// One global command of every type, "keys one" to "advanced one", and the LIST "colors".
CommandFileBuilder oneOfEveryType();

} // namespace qmk::fixture
