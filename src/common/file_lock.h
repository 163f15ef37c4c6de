#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace qmk {

inline constexpr const char* kFileBeingChanged =
    "The command file is being changed by another program";

// An advisory lock on "<file>.lock" beside a command file, held for one whole write: the read,
// the checks, the write and its verification. Two writers never interleave their cycles. Within
// one program the lock is shared: a write inside a cycle that holds it goes on at once.
class CommandFileLock {
public:
    // Waits up to `wait` for the lock; nullopt when another program held it all that time, or at
    // once when the lock file cannot be made beside the file. `whyNot` then says which.
    static std::optional<CommandFileLock> acquire(const std::filesystem::path& commandFile,
                                                  std::chrono::milliseconds wait,
                                                  std::string* whyNot = nullptr);
    CommandFileLock(CommandFileLock&& other) noexcept : key_(std::move(other.key_)) {
        other.key_.clear();
    }
    CommandFileLock& operator=(CommandFileLock&& other) noexcept;
    CommandFileLock(const CommandFileLock&) = delete;
    CommandFileLock& operator=(const CommandFileLock&) = delete;
    ~CommandFileLock();

private:
    explicit CommandFileLock(std::string key) : key_(std::move(key)) {}
    void release();
    std::string key_; // the lock file's path; empty once moved from
};

} // namespace qmk
