#include "common/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace qmk {

std::optional<CommandFileLock> CommandFileLock::acquire(const std::filesystem::path& commandFile,
                                                        std::chrono::milliseconds wait) {
    // Every name of the file locks the same lock file.
    std::error_code ec;
    auto real = std::filesystem::weakly_canonical(commandFile, ec);
    if (ec)
        real = commandFile;
    real += ".lock";
    const int fd = ::open(real.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return std::nullopt;
    const auto until = std::chrono::steady_clock::now() + wait;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (std::chrono::steady_clock::now() >= until) {
            ::close(fd);
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return CommandFileLock(fd);
}

CommandFileLock& CommandFileLock::operator=(CommandFileLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

CommandFileLock::~CommandFileLock() {
    if (fd_ >= 0)
        ::close(fd_); // closing releases the lock
}

} // namespace qmk
