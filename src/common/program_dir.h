#pragma once

#include "common/utf8_path.h"

#include <filesystem>
#include <string>

namespace qmk {

// The program's directory: where the store, the settings, key names, logs and scratch files live.
// Names written "\name" elsewhere are files in this folder.
class ProgramDir {
public:
    explicit ProgramDir(std::filesystem::path folder) : folder_(std::move(folder)) {}

    // --home DIR, else $QUILLMARK10_HOME, else the per-user data folder.
    static ProgramDir resolve(const std::string& homeOption);
    // $XDG_DATA_HOME/quillmark10, else ~/.local/share/quillmark10.
    static std::filesystem::path perUserDataFolder();

    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path file(const std::string& name) const {
        return folder_ / pathFromUtf8(name);
    }

private:
    std::filesystem::path folder_;
};

// File names of the program directory that several parts of the program share.
namespace files {
inline constexpr const char* kStore = "global10.mdb";
inline constexpr const char* kKeyNames = "keynames";
inline constexpr const char* kErrorLog = "error.log";
inline constexpr const char* kDuplicateLog = "duplicate.log";
inline constexpr const char* kTrace = "trace.qmk10";
} // namespace files

} // namespace qmk
