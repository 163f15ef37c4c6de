#include "common/program_dir.h"

#include "common/utf8_path.h"

#include <cstdlib>

namespace qmk {

std::filesystem::path ProgramDir::perUserDataFolder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return pathFromUtf8(xdg) / "quillmark10";
    if (const char* home = std::getenv("HOME"); home && *home)
        return pathFromUtf8(home) / ".local" / "share" / "quillmark10";
    return std::filesystem::current_path() / "quillmark10";
}

ProgramDir ProgramDir::resolve(const std::string& homeOption) {
    if (!homeOption.empty())
        return ProgramDir(pathFromUtf8(homeOption));
    if (const char* env = std::getenv("QUILLMARK10_HOME"); env && *env)
        return ProgramDir(pathFromUtf8(env));
    return ProgramDir(perUserDataFolder());
}

} // namespace qmk
