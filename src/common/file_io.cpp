#include "common/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace qmk {

namespace {

std::string lastError() {
    return std::strerror(errno);
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

void writeAll(const std::filesystem::path& file, std::string_view bytes, bool durable) {
    Descriptor fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (fd.get() < 0)
        throw FileError(file, lastError());
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto wrote = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (wrote < 0) {
            if (errno == EINTR)
                continue;
            throw FileError(file, lastError());
        }
        done += static_cast<std::size_t>(wrote);
    }
    if ((durable && ::fsync(fd.get()) != 0) || !fd.close())
        throw FileError(file, lastError());
}

} // namespace

std::optional<std::string> readFileStart(const std::filesystem::path& file, std::uint64_t count) {
    // Never blocks on a pipe: only a regular file is read.
    Descriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        return std::nullopt;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::uint64_t>(info.st_size) > kLargestImage)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(
                          std::min<std::uint64_t>(count, static_cast<std::uint64_t>(info.st_size))),
                      '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto got = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return std::nullopt;
        done += static_cast<std::size_t>(got);
    }
    return bytes;
}

std::optional<std::string> readWholeFile(const std::filesystem::path& file) {
    return readFileStart(file, kLargestImage);
}

std::uintmax_t hardLinkCount(const std::filesystem::path& file) {
    std::error_code ec;
    const auto links = std::filesystem::hard_link_count(file, ec);
    return ec ? 1 : links;
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
    writeAll(file, bytes, true);
}

void FileOps::writeScratch(const std::filesystem::path& file, std::string_view bytes) {
    // A new file rather than the old one truncated: some file systems (ext4) flush a file that
    // is truncated and written again as if asked to, which would make every scratch copy wait
    // for the disk.
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    writeAll(file, bytes, false);
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
    struct stat before {};
    const bool existed = ::stat(target.c_str(), &before) == 0;
    if (existed && before.st_nlink > 1 && !partHardLinks_)
        throw FileError(target, hardLinksRefusal(before.st_nlink));
    // Unique to this process, so that two writers never write into one temporary file.
    auto sibling = target;
    sibling += "." + std::to_string(::getpid()) + ".qmk-new";
    try {
        writeFile(sibling, bytes);
        if (existed) {
            // The new file keeps the old one's permissions and owner: a private file stays
            // private. Only the owner's change may be refused (not running as root).
            if (::chmod(sibling.c_str(), before.st_mode & 07777) != 0)
                throw FileError(sibling, lastError());
            if ((before.st_uid != ::geteuid() || before.st_gid != ::getegid()) &&
                ::chown(sibling.c_str(), before.st_uid, before.st_gid) != 0 && errno != EPERM)
                throw FileError(sibling, lastError());
        }
        renameFile(sibling, target);
    } catch (...) {
        // A write that failed part way leaves its part behind: it never stays beside the target.
        std::error_code ignored;
        std::filesystem::remove(sibling, ignored);
        throw;
    }
}

void FileOps::renameFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::rename(from.c_str(), to.c_str()) != 0)
        throw FileError(to, lastError());
    // The rename itself reaches the disk with the folder.
    Descriptor folder(::open(to.parent_path().empty() ? "." : to.parent_path().c_str(),
                             O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get());
}

} // namespace qmk
