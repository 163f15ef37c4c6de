#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The few calls into the operating system that the portable code cannot make through the
// standard library; one implementation for POSIX systems, one for Windows, chosen at build time.
namespace qmk::native {

// Creates or truncates the file and writes the bytes; flushed to disk when `durable`. Throws
// FileError.
void writeAll(const std::filesystem::path& file, std::string_view bytes, bool durable);

// The first `count` bytes of a regular file (all of it when shorter); nullopt when it is not a
// regular file, is larger than a command file can be, or cannot be read. Never blocks on a pipe.
std::optional<std::string> readRegularFile(const std::filesystem::path& file, std::uint64_t count);

// Puts `fresh` in the place of `target` in one step that reaches the disk. An existing target's
// permissions, owner and attributes pass to the new file. Throws FileError.
void replaceWith(const std::filesystem::path& fresh, const std::filesystem::path& target);

// The step of cutting a file that failed, or None.
enum class TruncateStep { None, Open, Seek, SetEnd, Close };
TruncateStep truncateAt(const std::filesystem::path& file, std::uint64_t length);

// An exclusive lock on a file, held until closed; the system releases it when the process ends.
// The lock file is removed when the lock is released, so that none stays behind.
class FileLockHandle {
public:
    // Opens (creating) `file` and tries once to lock it; an empty handle when either fails.
    // `cannotOpen` is set when the file itself cannot be opened or made (its folder is missing or
    // cannot be written to), as against another program holding the lock.
    static FileLockHandle tryLock(const std::filesystem::path& file,
                                  std::error_code* cannotOpen = nullptr);
    FileLockHandle() = default;
    FileLockHandle(FileLockHandle&& other) noexcept
        : handle_(other.handle_), file_(std::move(other.file_)) {
        other.handle_ = -1;
    }
    FileLockHandle& operator=(FileLockHandle&& other) noexcept;
    FileLockHandle(const FileLockHandle&) = delete;
    FileLockHandle& operator=(const FileLockHandle&) = delete;
    ~FileLockHandle();
    explicit operator bool() const { return handle_ != -1; }

private:
    FileLockHandle(std::intptr_t handle, std::filesystem::path file)
        : handle_(handle), file_(std::move(file)) {}
    void release();
    std::intptr_t handle_ = -1; // a descriptor, or a Windows HANDLE
    std::filesystem::path file_;
};

// How many names (hard links) the file has; 1 when it cannot be told.
std::uintmax_t linkCount(const std::filesystem::path& file);

// Local calendar time of `seconds` since the Unix epoch.
std::tm localTime(std::time_t seconds);
// The file's last write, in nanoseconds since the Unix epoch.
std::optional<std::int64_t> modifiedNanoseconds(const std::filesystem::path& file);

// How the system names a program file: "mergemycmds" is "mergemycmds.exe" on Windows.
#ifdef _WIN32
inline constexpr std::string_view kProgramSuffix = ".exe";
#else
inline constexpr std::string_view kProgramSuffix = "";
#endif
// The running program's own file; empty when the system cannot tell.
std::filesystem::path runningProgram();

unsigned long processId();
// Whether standard input is a terminal a person types at.
bool inputIsTerminal();

} // namespace qmk::native
