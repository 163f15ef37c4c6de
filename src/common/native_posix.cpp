#include "common/file_io.h"
#include "common/native.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qmk::native {

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

} // namespace

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

std::optional<std::string> readRegularFile(const std::filesystem::path& file, std::uint64_t count) {
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

void replaceWith(const std::filesystem::path& fresh, const std::filesystem::path& target) {
    struct stat before {};
    if (::stat(target.c_str(), &before) == 0) {
        // The new file keeps the old one's permissions and owner: a private file stays private.
        // Only the owner's change may be refused (not running as root).
        if (::chmod(fresh.c_str(), before.st_mode & 07777) != 0)
            throw FileError(fresh, lastError());
        if ((before.st_uid != ::geteuid() || before.st_gid != ::getegid()) &&
            ::chown(fresh.c_str(), before.st_uid, before.st_gid) != 0 && errno != EPERM)
            throw FileError(fresh, lastError());
    }
    if (::rename(fresh.c_str(), target.c_str()) != 0)
        throw FileError(target, lastError());
    // The rename itself reaches the disk with the folder.
    Descriptor folder(::open(target.parent_path().empty() ? "." : target.parent_path().c_str(),
                             O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get());
}

TruncateStep truncateAt(const std::filesystem::path& file, std::uint64_t length) {
    const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return TruncateStep::Open;
    TruncateStep failed = TruncateStep::None;
    if (::lseek(fd, static_cast<off_t>(length), SEEK_SET) < 0)
        failed = TruncateStep::Seek;
    else if (::ftruncate(fd, static_cast<off_t>(length)) != 0)
        failed = TruncateStep::SetEnd;
    if (::close(fd) != 0 && failed == TruncateStep::None)
        failed = TruncateStep::Close;
    return failed;
}

FileLockHandle FileLockHandle::tryLock(const std::filesystem::path& file,
                                       std::error_code* cannotOpen) {
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (cannotOpen)
            *cannotOpen = std::error_code(errno, std::generic_category());
        return {};
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return {};
    }
    // The holder before may have removed the lock file while this one waited on it: only a lock
    // on the file the name still stands for counts.
    struct stat held {
    }, named{};
    if (::fstat(fd, &held) != 0 || ::stat(file.c_str(), &named) != 0 ||
        held.st_ino != named.st_ino || held.st_dev != named.st_dev) {
        ::close(fd);
        return {};
    }
    return FileLockHandle(fd, file);
}

void FileLockHandle::release() {
    if (handle_ == -1)
        return;
    // Removed while still held: nobody takes a lock on a file about to go.
    ::unlink(file_.c_str());
    ::close(static_cast<int>(handle_)); // closing releases the lock
    handle_ = -1;
}

FileLockHandle& FileLockHandle::operator=(FileLockHandle&& other) noexcept {
    if (this != &other) {
        release();
        handle_ = other.handle_;
        file_ = std::move(other.file_);
        other.handle_ = -1;
    }
    return *this;
}

FileLockHandle::~FileLockHandle() {
    release();
}

std::uintmax_t linkCount(const std::filesystem::path& file) {
    std::error_code ec;
    const auto links = std::filesystem::hard_link_count(file, ec);
    return ec ? 1 : links;
}

std::tm localTime(std::time_t seconds) {
    std::tm parts{};
    localtime_r(&seconds, &parts);
    return parts;
}

std::optional<std::int64_t> modifiedNanoseconds(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0)
        return std::nullopt;
    return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
}

std::filesystem::path runningProgram() {
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec);
}

unsigned long processId() {
    return static_cast<unsigned long>(::getpid());
}

bool inputIsTerminal() {
    return ::isatty(STDIN_FILENO) != 0;
}

} // namespace qmk::native
