#include "session/installation.h"

#include "common/file_io.h"
#include "common/native.h"
#include "common/utf8_path.h"
#include "session/supplied_files.h"
#include "store/statements.h"

#include <cstdlib>

namespace qmk {

namespace fs = std::filesystem;

namespace {

constexpr const char* kHelpFolder = "help";

// Installed on Linux: <prefix>/bin beside <prefix>/share/quillmark10. Unpacked from the Windows
// zip: the files beside the program.
fs::path installedData() {
    const auto folder = native::runningProgram().parent_path();
    if (folder.empty())
        return {};
    for (auto candidate : {folder.parent_path() / "share" / "quillmark10", folder})
        if (fs::exists(candidate / files::kKeyNames))
            return candidate;
    return {};
}

// The help pages are replaced one by one: MinGW's libstdc++ refuses
// copy_options::overwrite_existing with "File exists", so a second set-up would fail on Windows.
void copyHelpPages(const fs::path& from, const fs::path& to, std::error_code& ec) {
    fs::create_directories(to, ec);
    for (fs::recursive_directory_iterator page(from, ec), end; !ec && page != end;
         page.increment(ec)) {
        const auto target = to / fs::relative(page->path(), from, ec);
        if (ec)
            return;
        if (page->is_directory()) {
            fs::create_directories(target, ec);
            continue;
        }
        fs::remove(target, ec);
        if (!ec)
            fs::copy_file(page->path(), target, ec);
        if (ec)
            return;
    }
}

} // namespace

fs::path dataFolder() {
    if (const char* env = std::getenv("QUILLMARK10_DATA"); env && *env)
        return pathFromUtf8(env);
    if (const auto installed = installedData(); !installed.empty())
        return installed;
    return QMK_DATA_DIR;
}

bool programDirectoryReady(const ProgramDir& home) {
    return fs::exists(home.file(files::kStore));
}

bool setUpProgramDirectory(const ProgramDir& home,
                           const std::function<void(const std::string&)>& said,
                           std::string& error) {
    std::error_code ec;
    fs::create_directories(home.folder(), ec);
    if (ec) {
        error = utf8Of(home.folder()) + ": " + ec.message();
        return false;
    }
    const auto keynames = home.file(files::kKeyNames);
    if (fs::exists(keynames)) {
        said("kept " + utf8Of(keynames));
    } else if (!fs::copy_file(dataFolder() / files::kKeyNames, keynames, ec)) {
        error = utf8Of(keynames) + ": " + ec.message();
        return false;
    } else {
        said("created " + utf8Of(keynames));
    }
    const auto store = home.file(files::kStore);
    const bool existed = fs::exists(store);
    openCommandStore(store);
    said((existed ? "kept " : "created ") + utf8Of(store));
    // The supplied command files, written by the program's own writer.
    for (const auto& [name, bytes] : {std::pair{kPlacerFile, placerFile()},
                                      std::pair{kLaunchCommandsFile, launchCommandsFile()}}) {
        const auto file = home.file(name);
        if (fs::exists(file)) {
            said("kept " + utf8Of(file));
            continue;
        }
        try {
            FileOps::system().writeFile(file, bytes);
        } catch (const FileError& failure) {
            error = failure.what();
            return false;
        }
        said("created " + utf8Of(file));
    }
    const auto help = home.file(kHelpFolder);
    copyHelpPages(dataFolder() / kHelpFolder, help, ec);
    if (ec) {
        error = utf8Of(help) + ": " + ec.message();
        return false;
    }
    said("installed " + utf8Of(help));
    return true;
}

} // namespace qmk
