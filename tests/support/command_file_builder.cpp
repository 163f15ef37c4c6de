#include "command_file_builder.h"

#include "format/image_reader.h"
#include "format/image_writer.h"

#include <fstream>
#include <stdexcept>

namespace qmk::fixture {

namespace {
std::string byte(std::uint8_t value) {
    return std::string(1, static_cast<char>(value));
}
std::string u32(std::uint32_t value) {
    std::string out;
    appendU32(out, value);
    return out;
}
} // namespace

std::string counted(const std::string& text) {
    std::string out;
    appendCountedString(out, text);
    return out;
}

Step Step::press(std::uint8_t key, std::uint8_t modifiers) {
    return {byte(1) + byte(key) + byte(modifiers)};
}
Step Step::open(const std::string& a, const std::string& b, const std::string& c,
                std::uint32_t mode) {
    return {byte(2) + counted(a) + counted(b) + counted(c) + u32(mode)};
}
Step Step::wait(std::uint32_t milliseconds) {
    return {byte(3) + u32(milliseconds)};
}
Step Step::type(const std::string& text) {
    return {byte(11) + counted(text)};
}
Step Step::sendKeys(const std::string& keys) {
    return {byte(12) + counted(keys)};
}

Command& Command::listReferences(std::vector<std::string> names, std::uint32_t storedCount) {
    references_ = std::move(names);
    referenceCount_ = storedCount;
    return *this;
}

Command& Command::listReferences(std::vector<std::string> names) {
    const auto count = static_cast<std::uint32_t>(names.size());
    return listReferences(std::move(names), count);
}

Command& Command::application(std::string program, std::string description, std::string company) {
    availability_ = 1;
    availabilityStrings_ = {std::move(program), std::move(description), std::move(company)};
    return *this;
}

Command& Command::window(std::string program, std::string title, std::string windowClass,
                         std::string description, std::string company) {
    availability_ = 2;
    availabilityStrings_ = {std::move(program), std::move(description), std::move(company),
                            std::move(title), std::move(windowClass)};
    return *this;
}

Command& Command::encrypted(std::uint8_t byteValue, std::string extra) {
    encryptionByte_ = byteValue;
    encryptionExtra_ = std::move(extra);
    return *this;
}

Command& Command::stringBody(std::uint8_t typeByte, std::string body) {
    typeByte_ = typeByte;
    body_ = counted(body);
    return *this;
}

Command& Command::textAndGraphics(std::string graphic, std::string text) {
    typeByte_ = layout::kTextAndGraphics;
    body_.clear();
    appendCount(body_, static_cast<std::uint32_t>(graphic.size()));
    body_ += graphic + counted(text);
    return *this;
}

Command& Command::recorder(std::vector<RecorderEvent> events, std::vector<RecorderWindow> windows) {
    typeByte_ = layout::kMacroRecorder;
    body_ = u32(static_cast<std::uint32_t>(windows.size()));
    for (const auto& w : windows)
        for (const auto& s : w.strings)
            body_ += counted(s);
    body_ += u32(static_cast<std::uint32_t>(events.size()));
    for (const auto& e : events) {
        body_ += byte(e.kind);
        if (e.kind == 1) {
            std::string payload(8, '\0');
            payload[4] = static_cast<char>(e.keyOrAction);
            payload[7] = static_cast<char>(e.transition);
            body_ += payload;
        } else if (e.kind == 2) {
            std::string payload(20, '\0');
            payload[4] = static_cast<char>(e.keyOrAction);
            payload[8] = static_cast<char>(e.x & 0xff);
            payload[9] = static_cast<char>(e.x >> 8);
            payload[12] = static_cast<char>(e.y & 0xff);
            payload[13] = static_cast<char>(e.y >> 8);
            body_ += payload;
        } else if (e.kind == 3) {
            body_ += std::string(8, '\0');
        }
    }
    return *this;
}

Command& Command::steps(std::vector<Step> steps) {
    typeByte_ = layout::kStepByStep;
    body_ = u32(static_cast<std::uint32_t>(steps.size()));
    for (const auto& s : steps)
        body_ += s.bytes;
    return *this;
}

std::string Command::encode(layout::Generation generation) const {
    const auto fields = layout::recordLayout(generation);
    std::string out = counted(name_) + u32(referenceCount_);
    for (const auto& r : references_)
        out += counted(r);
    out += counted(description_) + counted(group_);
    out += byte(static_cast<std::uint8_t>(availability_ | (notLoaded_ ? 0x80 : 0)));
    if (fields.reservedBlock)
        out += std::string(layout::kReservedBlockSize, '\0');
    for (const auto& s : availabilityStrings_)
        out += counted(s);
    if (fields.statesBlock) {
        out += u32(static_cast<std::uint32_t>(states_.size()));
        for (const auto& s : states_)
            out += counted(s);
    }
    out += byte(typeByte_);
    if (fields.encryptionByte)
        out += byte(encryptionByte_);
    if (fields.preBodyBlock) {
        if (fields.encryptionByte && encryptionByte_ != 0)
            out += std::string(layout::kEncryptedPreBodySize, '\0') + counted(encryptionExtra_);
        else
            out += std::string(layout::kPreBodyBlockSize, '\0');
    }
    return out + body_;
}

std::uint8_t CommandFileBuilder::versionCode(layout::Generation generation) {
    for (const auto& info : layout::kGenerations)
        if (info.generation == generation)
            return info.versionCode;
    throw std::invalid_argument("no version code for that generation");
}

Command& CommandFileBuilder::command(std::string name) {
    return commands_.emplace_back(std::move(name));
}

CommandFileBuilder& CommandFileBuilder::list(std::string name, std::vector<std::string> items) {
    return rawList({std::move(name), std::move(items)});
}

CommandFileBuilder& CommandFileBuilder::rawList(List list) {
    lists_.push_back(std::move(list));
    return *this;
}

std::string CommandFileBuilder::build() const {
    const auto* info = layout::findGeneration(versionCode_);
    const auto generation = info ? info->generation : layout::Generation::Unknown;
    std::string out(layout::kHeaderTemplate.begin(), layout::kHeaderTemplate.end());
    out[layout::kVersionOffset] = static_cast<char>(versionCode_);
    out[layout::kLanguageOffset] = static_cast<char>(languageCode_);
    const auto count = storedCount_ >= 0 ? static_cast<std::uint32_t>(storedCount_)
                                         : static_cast<std::uint32_t>(commands_.size());
    out.replace(17, 4, u32(count));
    for (const auto& c : commands_)
        out += c.encode(generation);
    if (!listsSection_)
        return out;
    out += u32(static_cast<std::uint32_t>(lists_.size()));
    for (const auto& l : lists_) {
        const auto items = l.storedItemCount != 0xffffffff
                               ? l.storedItemCount
                               : static_cast<std::uint32_t>(l.items.size());
        out += counted(l.name) + u32(layout::kListMarker) + u32(items);
        for (const auto& item : l.items)
            out += counted(item);
    }
    return out;
}

void CommandFileBuilder::write(const std::string& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << build();
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

CommandFileBuilder oneOfEveryType() {
    CommandFileBuilder file;
    file.command("keys one").keys("{Ctrl+k}");
    file.command("script one").script("SendKeys \"s\"");
    file.command("graphic one").textAndGraphics("\x01\x02", "g");
    file.command("plain one").plainText("p");
    file.command("recorded one").recorder({RecorderEvent::key(65, 0)}, {RecorderWindow{}});
    file.command("steps one").steps({Step::type("hi")});
    file.command("advanced one").advanced("Sub Main\r\nEnd Sub\r\n");
    file.list("colors", {"red"});
    return file;
}

} // namespace qmk::fixture
