#pragma once

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace qmk::testing {

// Another program in the middle of writing a command file: util-linux's flock holds the file's
// lock until this object ends it.
class OtherWriter {
public:
    explicit OtherWriter(const std::filesystem::path& commandFile)
        : lockFile_(std::filesystem::weakly_canonical(commandFile).string() + ".lock") {
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setpgid(0, 0); // flock and its sleep end together
            ::execlp("flock", "flock", lockFile_.c_str(), "sleep", "60", nullptr);
            ::_exit(127);
        }
        // Until the lock is taken, the test would race the other program.
        for (int tries = 0; tries < 500 && !held(); ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~OtherWriter() { finish(); }
    OtherWriter(const OtherWriter&) = delete;
    OtherWriter& operator=(const OtherWriter&) = delete;

    void finish() {
        if (pid_ <= 0)
            return;
        ::kill(-pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        // flock's sleep, which shares the lock, ends a moment after flock itself.
        for (int tries = 0; tries < 500 && held(); ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    bool held() const { return lockHeldElsewhere(lockFile_); }

    // Whether a program that inherits nothing of this one (util-linux's flock) finds the lock
    // file taken. The probe opens the file without creating it: a lock file its holder removed
    // is not brought back.
    static bool lockHeldElsewhere(const std::string& lockFile) {
        const pid_t probe = ::fork();
        if (probe == 0) {
            ::execlp("sh", "sh", "-c", "exec 2>/dev/null 9<\"$1\" || exit 0; flock --nonblock 9",
                     "sh", lockFile.c_str(), nullptr);
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(probe, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 1;
    }

private:
    std::string lockFile_;
    pid_t pid_ = -1;
};

} // namespace qmk::testing
