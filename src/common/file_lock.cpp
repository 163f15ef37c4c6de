#include "common/file_lock.h"

#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace qmk {

namespace {

// The locks this program holds: one descriptor per lock file, and how many holders share it.
// An flock taken twice by one program on two descriptors would wait for itself.
struct Held {
    int fd = -1;
    int holders = 0;
};
std::map<std::string, Held>& heldLocks() {
    static std::map<std::string, Held> held;
    return held;
}

} // namespace

std::optional<CommandFileLock> CommandFileLock::acquire(const std::filesystem::path& commandFile,
                                                        std::chrono::milliseconds wait) {
    // Every name of the file locks the same lock file.
    std::error_code ec;
    auto real = std::filesystem::weakly_canonical(commandFile, ec);
    if (ec)
        real = commandFile;
    real += ".lock";
    const auto key = real.string();
    if (auto held = heldLocks().find(key); held != heldLocks().end()) {
        ++held->second.holders;
        return CommandFileLock(key);
    }
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
    heldLocks()[key] = {fd, 1};
    return CommandFileLock(key);
}

void CommandFileLock::release() {
    if (key_.empty())
        return;
    auto held = heldLocks().find(key_);
    if (held != heldLocks().end() && --held->second.holders == 0) {
        ::close(held->second.fd); // closing releases the lock
        heldLocks().erase(held);
    }
    key_.clear();
}

CommandFileLock& CommandFileLock::operator=(CommandFileLock&& other) noexcept {
    if (this != &other) {
        release();
        key_ = std::move(other.key_);
        other.key_.clear();
    }
    return *this;
}

CommandFileLock::~CommandFileLock() {
    release();
}

} // namespace qmk
