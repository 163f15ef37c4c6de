#include "common/file_io.h"

#include "common/file_lock.h"
#include "common/native.h"
#include "common/text.h"
#include "common/utf8_path.h"

#include <fstream>

namespace qmk {

namespace {
// Another program writes a scratch file for a moment only.
constexpr std::chrono::seconds kScratchWait{20};
} // namespace

std::optional<std::string> readFileStart(const std::filesystem::path& file, std::uint64_t count) {
    return native::readRegularFile(file, count);
}

std::optional<std::string> readWholeFile(const std::filesystem::path& file) {
    return readFileStart(file, kLargestImage);
}

std::uintmax_t hardLinkCount(const std::filesystem::path& file) {
    return native::linkCount(file);
}

std::string hardLinksRefusal(std::uintmax_t links) {
    return "the file has " + std::to_string(links) +
           " hard links, which a new file would part; copy it to a file of its own and work on "
           "that, or tell Quillmark10 to go on (the other names then keep the old commands)";
}

FileOps& FileOps::system() {
    static FileOps files;
    return files;
}

void FileOps::writeFile(const std::filesystem::path& file, std::string_view bytes) {
    native::writeAll(file, bytes, true);
}

void FileOps::writeScratch(const std::filesystem::path& file, std::string_view bytes) {
    // Programs working from one program directory share its scratch files: one writes at a
    // time, or Windows refuses the second with a sharing violation.
    std::string whyNot;
    const auto lock = CommandFileLock::acquire(file, kScratchWait, &whyNot);
    if (!lock)
        throw FileError(file, whyNot);
    // A new file rather than the old one truncated: some file systems (ext4) flush a file that
    // is truncated and written again as if asked to, which would make every scratch copy wait
    // for the disk.
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    native::writeAll(file, bytes, false);
}

bool FileOps::writeLog(const std::filesystem::path& file, std::string_view text, bool append) {
    std::ofstream out(file, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out);
}

void FileOps::copyFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    const auto bytes = readWholeFile(from);
    if (!bytes)
        throw FileError(from, "cannot be read");
    replaceFile(to, *bytes);
}

void FileOps::replaceFile(const std::filesystem::path& requested, std::string_view bytes) {
    namespace fs = std::filesystem;
    // A symbolic link is written through: the file it names is replaced, the link stays.
    std::error_code ec;
    auto target = requested;
    if (fs::is_symlink(fs::symlink_status(requested, ec))) {
        target = fs::canonical(requested, ec);
        if (ec)
            throw FileError(requested, "the link cannot be followed (" + ec.message() + ")");
    }
    if (const auto links = hardLinkCount(target); links > 1 && !partHardLinks_)
        throw FileError(target, hardLinksRefusal(links));
    // Unique to this process, so that two writers never write into one temporary file.
    auto sibling = target;
    sibling += "." + std::to_string(native::processId()) + ".qmk-new";
    try {
        writeFile(sibling, bytes);
        renameFile(sibling, target);
    } catch (...) {
        // A write that failed part way leaves its part behind: it never stays beside the target.
        std::error_code ignored;
        std::filesystem::remove(sibling, ignored);
        throw;
    }
}

void FileOps::renameFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    native::replaceWith(from, to);
}

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::equivalent(a, b, error))
        return true;
    return comparablePath(utf8Of(fs::weakly_canonical(a, error))) ==
           comparablePath(utf8Of(fs::weakly_canonical(b, error)));
}

} // namespace qmk
