#pragma once

#include "common/file_io.h"

#include <string>
#include <vector>

namespace qmk::testing {

// File operations that fail at their n-th step (counting from 0): each write, scratch write and
// rename is a step. A failing write leaves half its bytes behind, as a full disk does. With
// failAt below 0 nothing fails, and `steps` counts what an operation asks for.
class FailingAtStep final : public FileOps {
public:
    int failAt = -1;
    int steps = 0;
    bool failed = false;
    std::vector<std::string> log; // each step's kind, in order: "write", "scratch", "rename"

    void writeFile(const std::filesystem::path& file, std::string_view bytes) override {
        if (step("write"))
            halfWritten(file, bytes);
        FileOps::writeFile(file, bytes);
    }
    void writeScratch(const std::filesystem::path& file, std::string_view bytes) override {
        if (step("scratch"))
            halfWritten(file, bytes);
        FileOps::writeScratch(file, bytes);
    }

protected:
    void renameFile(const std::filesystem::path& from, const std::filesystem::path& to) override {
        if (step("rename"))
            throw FileError(to, "busy");
        FileOps::renameFile(from, to);
    }

private:
    bool step(const char* kind) {
        log.emplace_back(kind);
        if (steps++ != failAt)
            return false;
        failed = true;
        return true;
    }
    [[noreturn]] void halfWritten(const std::filesystem::path& file, std::string_view bytes) {
        FileOps::writeScratch(file, bytes.substr(0, bytes.size() / 2));
        throw FileError(file, "disk full");
    }
};

} // namespace qmk::testing
