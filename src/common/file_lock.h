#pragma once

#include <chrono>
#include <filesystem>
#include <optional>

namespace qmk {

inline constexpr const char* kFileBeingChanged =
    "The command file is being changed by another program";

// An advisory lock on "<file>.lock" beside a command file, held for one whole write: the read,
// the checks, the write and its verification. Two writers never interleave their cycles.
class CommandFileLock {
public:
    // Waits up to `wait` for the lock; nullopt when another program held it all that time or
    // the lock file cannot be made.
    static std::optional<CommandFileLock> acquire(const std::filesystem::path& commandFile,
                                                  std::chrono::milliseconds wait);
    CommandFileLock(CommandFileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    CommandFileLock& operator=(CommandFileLock&& other) noexcept;
    CommandFileLock(const CommandFileLock&) = delete;
    CommandFileLock& operator=(const CommandFileLock&) = delete;
    ~CommandFileLock();

private:
    explicit CommandFileLock(int fd) : fd_(fd) {}
    int fd_;
};

} // namespace qmk
