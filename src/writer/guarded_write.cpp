#include "writer/guarded_write.h"

#include "common/file_lock.h"
#include "common/native.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "format/file_properties.h"
#include "format/image_check.h"

namespace qmk {

namespace fs = std::filesystem;

bool readOnlyFile(const fs::path& file) {
    std::error_code error;
    const auto status = fs::status(file, error);
    if (error || !fs::is_regular_file(status))
        return false;
    constexpr auto kWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    return (status.permissions() & kWrite) == fs::perms::none;
}

namespace {

// An XML file or a report never goes over a command file, whatever it is named: only a file
// whose header names a format of Dragon's is read whole to tell.
bool readsAsCommandFile(const fs::path& file) {
    FileProperties properties;
    const auto head = readFileStart(file, layout::kHeaderSize);
    if (!head || !decodeHeader(*head, properties) ||
        properties.generation == layout::Generation::Unknown)
        return false;
    const auto whole = readWholeFile(file);
    return whole && !commandFileProblem(*whole);
}

std::string readOnlyRefusal(const WriteTarget& t) {
    return t.kind == WriteTarget::Kind::Text ? std::string("it is read-only")
                                             : std::string(kReadOnlyCommandFile);
}

} // namespace

std::optional<std::string> writeRefusal(const WriteTarget& t) {
    std::error_code error;
    const auto status = fs::status(t.file, error);
    const bool exists = !error && fs::exists(status);
    const auto folder = fs::absolute(t.file, error).parent_path();
    if (exists && fs::is_directory(status))
        return "it is a folder";
    if (!fs::is_directory(folder, error))
        return "its folder " + utf8Of(folder) + " does not exist";
    if (!t.source.empty() && sameFile(t.file, t.source))
        return "it is the file the commands come from";
    if (t.kind != WriteTarget::Kind::Edited && !t.usersOwnFile.empty() &&
        sameFile(t.file, t.usersOwnFile))
        return "it is the current Dragon user's own command file";
    if (!exists)
        return std::nullopt;
    if (t.kind == WriteTarget::Kind::Text && readsAsCommandFile(t.file))
        return "it is a command file";
    if (readOnlyFile(t.file))
        return readOnlyRefusal(t);
    return std::nullopt;
}

void writeTarget(FileOps& files, const WriteTarget& target, std::string_view bytes,
                 const std::string* before, std::chrono::milliseconds lockWait) {
    std::string whyNot;
    const auto lock = CommandFileLock::acquire(target.file, lockWait, &whyNot);
    if (!lock)
        throw FileError(target.file, whyNot);
    // Checked here too, under the lock: whatever path led here, a read-only file stays as it is.
    if (readOnlyFile(target.file))
        throw FileError(target.file, readOnlyRefusal(target));
    std::optional<std::string> old;
    if (std::error_code error; fs::exists(target.file, error))
        old = readWholeFile(target.file);
    // What another program wrote since this one read the file is not written over.
    if (before && old != *before)
        throw FileError(target.file, kChangedSinceRead);
    files.replaceFile(target.file, bytes);
    const auto back = readWholeFile(target.file);
    std::optional<std::string> problem;
    if (!back || *back != bytes)
        problem = "it did not read back as it was written";
    else if (target.kind == WriteTarget::Kind::CommandFile)
        if (const auto damage = commandFileProblem(*back))
            problem = "it does not read back as a command file (" + *damage + ")";
    if (!problem)
        return;
    std::error_code ignored;
    if (old)
        files.replaceFile(target.file, *old);
    else
        fs::remove(target.file, ignored);
    throw FileError(target.file, *problem + "; it is as it was before");
}

} // namespace qmk
