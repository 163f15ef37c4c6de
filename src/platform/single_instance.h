#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

namespace qmk {

// Held for the life of a running program; a second holder of the same lock file cannot be
// made while the first lives. The lock goes with the process, so a crash never leaves it held.
class SingleInstance {
public:
    // nullptr when another instance holds the lock.
    static std::unique_ptr<SingleInstance> acquire(const std::filesystem::path& lockFile);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

private:
    explicit SingleInstance(std::intptr_t handle) : handle_(handle) {}
    std::intptr_t handle_; // a descriptor, or a Windows mutex HANDLE
};

} // namespace qmk
