#include "writer/update_engine.h"

#include "common/codepage.h"
#include "common/file_lock.h"
#include "common/text.h"
#include "format/file_properties.h"
#include "format/image_reader.h"
#include "format/image_writer.h"
#include "format/keynames.h"
#include "format/record.h"
#include "store/parameters.h"
#include "store/schema.h"
#include "store/statements.h"
#include "writer/guarded_write.h"

#include <algorithm>
#include <array>

namespace qmk {

Outcome notWritten(const FileError& error) {
    return Outcome::failed(error.what(), "The command file was not changed");
}

Outcome staleStore(std::string title) {
    return Outcome::refused("The command file no longer matches the store: reload it first",
                            std::move(title));
}

namespace {

std::string sourceText(const std::filesystem::path& file) {
    std::error_code ignored;
    return comparablePath(utf8Of(std::filesystem::weakly_canonical(file, ignored)));
}

} // namespace

void keepBackup(FileOps& files, const ProgramDir& home, const std::filesystem::path& takenFrom,
                std::string_view bytes) {
    // The old note goes first: whatever stops this half way leaves no note that misleads.
    std::error_code ignored;
    std::filesystem::remove(home.file(files::kBackupSource), ignored);
    files.writeScratch(home.file(files::kBackup), bytes);
    files.writeScratch(home.file(files::kBackupSource), sourceText(takenFrom));
}

std::optional<std::string> backupOf(const ProgramDir& home, const std::filesystem::path& file) {
    const auto source = readWholeFile(home.file(files::kBackupSource));
    if (!source || *source != sourceText(file))
        return std::nullopt;
    return readWholeFile(home.file(files::kBackup));
}

UpdateEngine::Stamp UpdateEngine::stampOfFile() const {
    std::error_code ec;
    const auto size = std::filesystem::file_size(ctx_.commandFile, ec);
    return {modificationTime(ctx_.commandFile), ec ? 0 : size};
}

bool UpdateEngine::load() {
    loaded_ = stampOfFile();
    auto bytes = readWholeFile(ctx_.commandFile);
    if (!bytes)
        return false;
    image_ = std::move(*bytes);
    FileProperties properties;
    generation_ =
        decodeHeader(image_, properties) ? properties.generation : layout::Generation::Unknown;
    return true;
}

void UpdateEngine::prepareRewrite(std::uint32_t cut) {
    out_.assign(image_, 0, std::min<std::size_t>(cut, image_.size()));
}

void UpdateEngine::copyTail(std::uint32_t start) {
    if (start >= 1 && start - 1 < image_.size())
        out_.append(image_, start - 1);
}

void UpdateEngine::writeCount(std::uint32_t count) {
    appendCount(out_, count);
}
void UpdateEngine::writeString(std::string_view cp1252) {
    appendCountedString(out_, cp1252);
}
void UpdateEngine::writeLong(std::uint32_t value) {
    appendU32(out_, value);
}
void UpdateEngine::writeByte(std::uint8_t value) {
    out_ += static_cast<char>(value);
}

std::uint32_t UpdateEngine::readLongAt(std::uint32_t position) const {
    ImageReader in(out_, position);
    return in.u32();
}

void UpdateEngine::writeLongAt(std::uint32_t position, std::uint32_t value) {
    std::string bytes;
    appendU32(bytes, value);
    out_.replace(position - 1, 4, bytes);
}

Outcome UpdateEngine::commit(const std::string& marker) {
    try {
        commitRewrite(marker);
    } catch (const FileError& error) {
        return notWritten(error);
    }
    return Outcome{};
}

void UpdateEngine::commitRewrite(const std::string& marker) {
    std::string whyNot;
    const auto lock = CommandFileLock::acquire(ctx_.commandFile, ctx_.lockWait, &whyNot);
    if (!lock)
        throw FileError(ctx_.commandFile, whyNot);
    if (readOnlyFile(ctx_.commandFile))
        throw FileError(ctx_.commandFile, kReadOnlyCommandFile);
    // Said before the backup is touched; the write itself checks the bytes again.
    if (stampOfFile() != loaded_)
        throw FileError(ctx_.commandFile, kChangedSinceRead);
    ctx_.files.writeScratch(ctx_.home.file(files::kTemporary), out_);
    ctx_.trace.mark(marker);
    // The backup is the image already in memory, which is the file as this operation read it.
    // Only the command file itself is flushed to disk: the backup serves the verification that
    // follows in the same run.
    keepBackup(ctx_.files, ctx_.home, ctx_.commandFile, image_);
    writeTarget(ctx_.files, WriteTarget::edited(ctx_.commandFile), out_, &image_, ctx_.lockWait);
    image_ = out_;
    loaded_ = stampOfFile();
}

void UpdateEngine::shiftStore(std::uint32_t from, std::int64_t delta, bool inclusive) {
    if (delta == 0)
        return;
    // One pass over the rows: every row rewritten once, however many of its positions move.
    Transaction transaction(ctx_.store);
    statements::shiftPositions(ctx_.store, from, delta, inclusive);
    transaction.commit();
}

void UpdateEngine::shiftStore(const std::vector<Shift>& shifts) {
    std::vector<Shift> moving;
    for (const auto& shift : shifts)
        if (shift.delta != 0)
            moving.push_back(shift);
    if (moving.empty())
        return;
    if (moving.size() == 1)
        return shiftStore(moving.front().from, moving.front().delta);
    std::sort(moving.begin(), moving.end(),
              [](const Shift& a, const Shift& b) { return a.from < b.from; });
    // The total move of every position after each shift's start.
    std::vector<std::int64_t> total(moving.size());
    std::int64_t sum = 0;
    for (std::size_t i = 0; i < moving.size(); ++i)
        total[i] = sum += moving[i].delta;
    const auto moved = [&](std::int64_t position) {
        if (position == 0)
            return position;
        const auto after =
            std::lower_bound(moving.begin(), moving.end(), position,
                             [](const Shift& shift, std::int64_t p) { return shift.from < p; });
        return after == moving.begin()
                   ? position
                   : position + total[static_cast<std::size_t>(after - moving.begin()) - 1];
    };
    Transaction transaction(ctx_.store);
    auto rows = statements::positionsAfter(ctx_.store, moving.front().from);
    for (auto& row : rows) {
        row.offset = moved(row.offset);
        row.offsetbody = moved(row.offsetbody);
    }
    statements::setPositions(ctx_.store, rows);
    statements::setListsPosition(ctx_.store, moved(storedOffsetLists()));
    transaction.commit();
}

void UpdateEngine::refreshBodyPosition(std::int64_t id, std::uint32_t offset) {
    ImageReader in(image_, offset);
    const auto record = readCommandRecord(in, generation_, KeyNames{});
    statements::setBodyPosition(ctx_.store, id, std::int64_t{record.offsetbody});
}

std::int64_t UpdateEngine::storedOffsetLists() {
    return Parameters(ctx_.store).get(Parameters::Number::OffsetLists);
}

EncodedText encodeForFile(std::string_view utf8, std::string_view what, std::size_t width) {
    auto encoded = codepage::fromUtf8(utf8);
    if (!encoded.ok)
        return {{}, Outcome::refused(std::string(what) + ": " + encoded.message)};
    if (encoded.bytes.size() > width)
        return {{},
                Outcome::refused(std::string(what) + " is longer than " + std::to_string(width) +
                                 " characters")};
    return {std::move(encoded.bytes), std::nullopt};
}

namespace {

// The C0 controls, DEL, and the C1 controls the code page passes through as they are.
bool controlByte(unsigned char c) {
    return c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

} // namespace

EncodedText encodeName(std::string_view utf8) {
    auto name = encodeForFile(utf8, "The name", kNameWidth);
    if (name.refusal)
        return name;
    if (name.bytes.empty())
        return {{}, Outcome::refused("A name cannot be empty")};
    if (name.bytes.find_first_not_of(' ') == std::string::npos)
        return {{}, Outcome::refused("A name cannot be only blanks")};
    for (const char c : name.bytes)
        if (controlByte(static_cast<unsigned char>(c)))
            return {{},
                    Outcome::refused("A name cannot hold tabs, line breaks or other "
                                     "control characters")};
    return name;
}

EncodedText encodeText(std::string_view utf8, std::string_view what, std::size_t width,
                       bool lines) {
    auto text = encodeForFile(utf8, what, width);
    if (text.refusal)
        return text;
    const auto& bytes = text.bytes;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (lines && c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            ++i;
            continue;
        }
        if (c != '\t' && controlByte(c))
            return {{},
                    Outcome::refused(std::string(what) + (lines ? " can hold line breaks "
                                                                  "(CR LF) but no other "
                                                                  "control character"
                                                                : " cannot hold line breaks "
                                                                  "or other control "
                                                                  "characters"))};
    }
    return text;
}

} // namespace qmk
