#include "writer/record_walker.h"

#include "common/regex.h"
#include "common/text.h"
#include "format/body_decoders.h"
#include "format/image_writer.h"
#include "format/record.h"
#include "writer/keys_to_script.h"

namespace qmk {

namespace {

std::string_view copyString(ImageReader& in, std::string& out) {
    const auto text = in.string();
    appendCountedString(out, text);
    return text;
}

// Copies n image bytes, or passes over them when the output has no such block.
void copyBlock(ImageReader& in, std::string& out, std::uint32_t n, bool written) {
    const auto from = in.position();
    in.skip(n);
    if (written)
        out.append(in.image().substr(from - 1, n));
}

bool groupMatches(const WalkTransform& t, std::string_view group) {
    return (group.empty() && t.selectedGroup == "User-defined") || group == t.selectedGroup ||
           t.selectedGroup == "All groups";
}

std::string replacedIgnoringCase(std::string_view text, std::string_view from,
                                 std::string_view to) {
    static const Regex sendDragonKeys("SendDragonKeys", Regex::kCaseless | Regex::kBytes);
    static const Regex sendKeys("SendKeys", Regex::kCaseless | Regex::kBytes);
    const Regex& pattern = from == "SendKeys" ? sendKeys : sendDragonKeys;
    std::string result;
    std::string_view rest = text;
    while (const auto match = pattern.find(rest)) {
        result += rest.substr(0, match->start);
        result += to;
        rest.remove_prefix(match->start + match->length);
    }
    return result + std::string(rest);
}

constexpr std::string_view kStars =
    "********************************************************"; // 56

bool hasBraces(std::string_view keys) {
    return keys.find('{') != std::string_view::npos && keys.find('}') != std::string_view::npos;
}

// Counts are written back whole but framed by the bits readers use (low byte here, low 16 bits
// for LIST items), as the parser frames them.
void copyListReferences(ImageReader& in, std::string& out) {
    const std::uint32_t references = in.u32();
    appendU32(out, references);
    for (std::uint32_t i = 0; i < (references & 0xff); ++i)
        copyString(in, out);
}

// The Group, renamed when the record is selected for a Group rename; "User-defined" for none.
std::string_view walkGroup(ImageReader& in, bool selected, const WalkTransform& transform,
                           std::string& out) {
    std::string_view group = in.string();
    if (selected && transform.operation == WalkOperation::Group && groupMatches(transform, group))
        group = transform.newText == "User-defined" ? std::string_view() : transform.newText;
    appendCountedString(out, group);
    return group.empty() ? std::string_view("User-defined") : group;
}

// The states block goes across as it stands; an output with no source block gets an empty one.
void walkStates(ImageReader& in, bool inSource, bool inOutput, std::string& out) {
    const auto statesAt = in.position();
    if (inSource) {
        const std::uint32_t states = in.u32();
        for (std::uint32_t i = 0; i < states; ++i)
            in.string();
    }
    if (inOutput && inSource)
        out.append(in.image().substr(statesAt - 1, in.position() - statesAt));
    else if (inOutput)
        appendU32(out, 0);
}

// The block before the body; an encrypted record's is shorter and followed by a string.
void walkPreBody(ImageReader& in, bool encrypted, bool inOutput, std::string& out) {
    if (!encrypted) {
        copyBlock(in, out, layout::kPreBodyBlockSize, inOutput);
        return;
    }
    copyBlock(in, out, layout::kEncryptedPreBodySize, inOutput);
    const auto extra = in.string();
    if (inOutput)
        appendCountedString(out, extra);
}

} // namespace

std::string rebuiltHeader(std::uint8_t versionCode, std::uint8_t languageCode) {
    std::string header(layout::kHeaderTemplate.begin(), layout::kHeaderTemplate.end());
    header[layout::kVersionOffset] = static_cast<char>(versionCode);
    header[layout::kLanguageOffset] = static_cast<char>(languageCode);
    return header;
}

RecordContext RecordWalker::walkCommand(std::uint32_t position, bool selected,
                                        const WalkTransform& transform, std::string& out,
                                        std::uint32_t& end) const {
    using layout::RecordField;
    const auto from = layout::recordLayout(source_);
    const auto to = layout::recordLayout(output_);
    ImageReader in(image_, position);
    RecordContext c;
    std::size_t typeAt = 0;
    for (const auto field : layout::kRecordFields) {
        const bool inSource = from.holds(field);
        const bool inOutput = to.holds(field);
        if (!inSource && !inOutput)
            continue;
        switch (field) {
        case RecordField::Name:
            c.name = readRecordName(in);
            appendCountedString(out, c.name);
            break;
        case RecordField::ListReferences:
            copyListReferences(in, out);
            break;
        case RecordField::Description:
            c.description = copyString(in, out);
            break;
        case RecordField::Group:
            c.group = walkGroup(in, selected, transform, out);
            break;
        case RecordField::ScopeByte: {
            const std::uint8_t scopeByte = in.byte();
            out += static_cast<char>(scopeByte);
            c.availability = static_cast<std::uint8_t>(scopeByte & layout::kAvailabilityMask);
            break;
        }
        case RecordField::ReservedBlock:
            // Conversions only drop this block: an output never gains one its source lacks.
            if (inSource)
                copyBlock(in, out, layout::kReservedBlockSize, inOutput);
            break;
        case RecordField::ProgramIdentity:
            walkProgramIdentity(in, c, selected, transform, out);
            break;
        case RecordField::States:
            walkStates(in, inSource, inOutput, out);
            break;
        case RecordField::TypeByte:
            c.typeByte = in.byte();
            typeAt = out.size();
            out += static_cast<char>(c.typeByte);
            break;
        case RecordField::EncryptionByte: {
            // An encrypted record keeps its encryption byte, 7 bytes and string byte for byte:
            // only a 10.x output can hold it, and conversions refuse such files before walking.
            const std::uint8_t encryption = inSource ? in.byte() : 0;
            c.encrypted = encryption != 0;
            if (inOutput)
                out += static_cast<char>(encryption);
            break;
        }
        case RecordField::PreBodyBlock:
            if (inSource)
                walkPreBody(in, c.encrypted, inOutput, out);
            break;
        case RecordField::Body:
            c.bodyStart = in.position();
            walkBody(in, c, selected, transform, out, typeAt);
            break;
        }
    }
    end = in.position();
    return c;
}

void RecordWalker::walkProgramIdentity(ImageReader& in, RecordContext& c, bool selected,
                                       const WalkTransform& transform, std::string& out) const {
    if (c.availability == layout::kGlobal) {
        c.program = c.scope = kGlobalCommands;
        return;
    }
    if (c.availability != layout::kApplication && c.availability != layout::kWindow)
        return;
    c.program = in.string();
    if (selected && transform.operation == WalkOperation::Program)
        c.program = transform.newText;
    appendCountedString(out, c.program);
    copyString(in, out); // program description
    copyString(in, out); // company name
    if (c.availability == layout::kWindow) {
        c.scope = copyString(in, out);
        copyString(in, out); // window class
    } else {
        c.scope = "Application-specific";
    }
}

void RecordWalker::walkBody(ImageReader& in, RecordContext& c, bool selected,
                            const WalkTransform& transform, std::string& out,
                            std::size_t typeAt) const {
    switch (c.typeByte) {
    case layout::kTextAndGraphics: {
        const std::uint32_t graphic = in.count();
        c.graphicSize = graphic;
        appendCount(out, graphic);
        copyBlock(in, out, graphic, true);
        c.storedBody = copyString(in, out);
        break;
    }
    case layout::kMacroRecorder:
    case layout::kStepByStep: {
        // Framed exactly as the parser frames it, so that the walk and the store agree on where
        // every record lies; the bytes are copied unchanged and their text is never needed.
        const auto start = in.position();
        if (c.typeByte == layout::kMacroRecorder)
            skipRecorderBody(in);
        else
            skipStepByStepBody(in);
        out.append(image_.substr(start - 1, in.position() - start));
        break;
    }
    case layout::kAdvancedScripting: {
        c.storedBody = in.string();
        // A format conversion rewrites every record it writes, those the store does not hold
        // (not loaded) among them.
        const bool converts = transform.operation == WalkOperation::ConvertFormat;
        if (converts && transform.targetFormat == "6.0")
            c.setBody(replacedIgnoringCase(c.body(), "SendDragonKeys", "SendKeys"));
        else if (converts && transform.targetFormat == "6.1" && source_ == layout::Generation::V6)
            c.setBody(replacedIgnoringCase(c.body(), "SendKeys", "SendDragonKeys"));
        appendCountedString(out, c.body());
        break;
    }
    case layout::kScript:
        c.storedBody = copyString(in, out);
        break;
    case layout::kKeystrokes:
        c.storedBody = in.string();
        if (!selected || c.encrypted || !convertKeys(c, transform, out, typeAt))
            appendCountedString(out, c.body());
        break;
    default:
        break;
    }
}

bool RecordWalker::convertKeys(RecordContext& c, const WalkTransform& transform, std::string& out,
                               std::size_t typeAt) const {
    const auto op = transform.operation;
    if (op != WalkOperation::DvcToPlainText && op != WalkOperation::DvcToSendKeys &&
        op != WalkOperation::DvcToSendDragonKeys)
        return false;
    ConversionLog scratch;
    ConversionLog& log = transform.log ? *transform.log : scratch;
    const std::string crlf(kCrLf);
    const std::string where =
        std::string(c.program) + " " + std::string(c.scope) + " " + std::string(c.name);
    const std::string keys(c.body());
    if (op == WalkOperation::DvcToPlainText) {
        if (hasBraces(keys))
            return false;
        out[typeAt] = static_cast<char>(layout::kTextAndGraphics);
        appendCount(out, 0);
        appendCountedString(out, keys);
        c.typeByte = layout::kTextAndGraphics;
        log.text +=
            "Changed DVC to Plain Text: " + where + crlf + keys + crlf + std::string(kStars) + crlf;
        return true;
    }
    if (!hasBraces(keys))
        return false;
    log.text += where + crlf + "KEYS:" + crlf + keys + crlf;
    // Scripts hold UTF-8 in the program; the key string and its script are the file's bytes.
    const auto script = op == WalkOperation::DvcToSendKeys
                            ? keysToSendKeysScript(keys)
                            : std::optional<std::string>(keysToSendDragonKeysScript(keys));
    if (!script) {
        log.text += "The following is not syntactically correct, and has not been converted. "
                    "Please send to Tarnwell" +
                    crlf;
        log.notConverted = true;
        appendCountedString(out, keys);
    } else {
        out[typeAt] = static_cast<char>(layout::kAdvancedScripting);
        out.resize(typeAt + 1);
        appendBlankFieldsAfterType(out, layout::recordLayout(output_));
        appendCountedString(out, *script);
        c.typeByte = layout::kAdvancedScripting;
    }
    log.text += script.value_or("") + crlf + std::string(kStars) + crlf;
    return true;
}

RecordContext RecordWalker::copyList(std::uint32_t position, std::string& out,
                                     std::uint32_t& end) const {
    // A LIST is copied byte for byte, its marker and item count as they stand.
    ImageReader in(image_, position);
    const auto list = readListRecord(in);
    out.append(image_.substr(position - 1, list.end - position));
    RecordContext c;
    c.name = list.name;
    c.setBody(joinListItems(list.items));
    c.program = c.scope = kGlobalCommands;
    c.group = "Dragon";
    end = list.end;
    return c;
}

} // namespace qmk
