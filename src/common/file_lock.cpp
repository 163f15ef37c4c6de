#include "common/file_lock.h"

#include "common/native.h"
#include "common/utf8_path.h"

#include <map>
#include <thread>

namespace qmk {

namespace {

// The locks this program holds: one handle per lock file, and how many holders share it.
// A lock taken twice by one program through two handles would wait for itself.
struct Held {
    native::FileLockHandle handle;
    int holders = 0;
};
std::map<std::string, Held>& heldLocks() {
    static std::map<std::string, Held> held;
    return held;
}

} // namespace

std::optional<CommandFileLock> CommandFileLock::acquire(const std::filesystem::path& commandFile,
                                                        std::chrono::milliseconds wait,
                                                        std::string* whyNot) {
    // Every name of the file locks the same lock file.
    std::error_code ec;
    auto real = std::filesystem::weakly_canonical(commandFile, ec);
    if (ec)
        real = commandFile;
    real += ".lock";
    const auto key = utf8Of(real);
    if (auto held = heldLocks().find(key); held != heldLocks().end()) {
        ++held->second.holders;
        return CommandFileLock(key);
    }
    const auto until = std::chrono::steady_clock::now() + wait;
    std::error_code cannotOpen;
    auto handle = native::FileLockHandle::tryLock(real, &cannotOpen);
    while (!handle) {
        // A folder that is missing or cannot be written to is said at once: waiting would not
        // change it.
        if (cannotOpen || std::chrono::steady_clock::now() >= until) {
            if (whyNot)
                *whyNot = !cannotOpen ? std::string(kFileBeingChanged)
                          : !std::filesystem::is_directory(real.parent_path(), ec)
                              ? "its folder " + utf8Of(real.parent_path()) + " does not exist"
                              : "its folder " + utf8Of(real.parent_path()) +
                                    " cannot be written to (" + cannotOpen.message() + ")";
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        handle = native::FileLockHandle::tryLock(real, &cannotOpen);
    }
    heldLocks()[key] = {std::move(handle), 1};
    return CommandFileLock(key);
}

void CommandFileLock::release() {
    if (key_.empty())
        return;
    auto held = heldLocks().find(key_);
    if (held != heldLocks().end() && --held->second.holders == 0)
        heldLocks().erase(held); // closing the handle releases the lock
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
