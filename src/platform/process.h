#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qmk {

// A program started without a window of its own.
class HiddenProcess {
public:
    // Where the program's standard output and error go: files, created or truncated; an empty
    // path leaves that stream as this program's.
    struct Output {
        std::filesystem::path out;
        std::filesystem::path err;
    };

    // Starts `arguments[0]` with the rest as its arguments; nullopt when it cannot start or an
    // output file cannot be made.
    static std::optional<HiddenProcess> run(const std::vector<std::string>& arguments,
                                            const Output& output = {});

    HiddenProcess(HiddenProcess&& other) noexcept;
    HiddenProcess& operator=(HiddenProcess&&) = delete;
    ~HiddenProcess(); // waits for the program, so none is left behind

    bool running();
    // Waits for the end; the exit status, or -1 when it did not exit normally.
    int wait();

private:
    explicit HiddenProcess(std::intptr_t handle) : handle_(handle) {}
    std::intptr_t handle_ = 0; // a process id, or a Windows process HANDLE
    bool ended_ = false;
    int status_ = -1;
};

} // namespace qmk
