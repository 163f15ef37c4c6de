#include "common/program_dir.h"

#include <cstdlib>

namespace qmk {

std::filesystem::path ProgramDir::perUserDataFolder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return std::filesystem::path(xdg) / "quillmark10";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".local" / "share" / "quillmark10";
    return std::filesystem::current_path() / "quillmark10";
}

ProgramDir ProgramDir::resolve(const std::string& homeOption) {
    if (!homeOption.empty())
        return ProgramDir(homeOption);
    if (const char* env = std::getenv("QUILLMARK10_HOME"); env && *env)
        return ProgramDir(env);
    return ProgramDir(perUserDataFolder());
}

} // namespace qmk
