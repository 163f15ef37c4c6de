#include "actions/demo_installation.h"

#include "common/codepage.h"
#include "common/file_io.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "platform/special_folders.h"
#include "session/installation.h"
#include "writer/update_engine.h"

namespace qmk::actions {

namespace fs = std::filesystem;

namespace {

constexpr const char* kTitle = "demo-setup";

} // namespace

Outcome installDemo(const DemoFolders& folders, const std::string& user,
                    const fs::path& demoCommands, FileOps& files) {
    const auto dragon = folders.common / "Nuance" / "NaturallySpeaking10";
    const auto userDragon = folders.perUser / "Nuance" / "NaturallySpeaking10";
    const auto current = dragon / "users" / pathFromUtf8(user) / "current";
    if (const auto system = readWholeFile(dragon / "nssystem.ini");
        system && !system->starts_with(kDemoInstallationMark))
        return Outcome::refused(utf8Of(dragon) +
                                    ": Dragon NaturallySpeaking 10 is installed here, and "
                                    "demo-setup leaves a real installation alone; give --dir for "
                                    "a folder of the demo's own",
                                kTitle);
    // Dragon writes its INI files in its code page, a value a line; a user is a folder's name.
    const auto userInCodePage = encodeName(user);
    if (userInCodePage.refusal)
        return Outcome::refused("A Dragon user cannot be named '" + quotedText(user) +
                                    "': " + userInCodePage.refusal->message,
                                kTitle);
    if (user.find_first_of("/\\:*?\"<>|") != std::string::npos || user == "." || user == "..")
        return Outcome::refused("A Dragon user cannot be named '" + quotedText(user) +
                                    "': it is a folder's name, without / \\ : * ? \" < > |",
                                kTitle);
    const std::pair<fs::path, std::string> layout[] = {
        {dragon / "nssystem.ini",
         std::string(kDemoInstallationMark) + "\r\n[Settings]\r\nsupported languages=ENX\r\n"},
        {userDragon / "nsuser.ini", "[Settings]\r\nCurrent User=" + userInCodePage.bytes + "\r\n"},
        {userDragon / "dragon.log",
         "Starting process natspeak.exe (ver Professional)\r\n"
         "Dragon NaturallySpeaking Version 10.10.200.000\r\nEdition: Professional\r\n"},
        {current / "options.ini", "[Options]\r\nspeakerlanguageID=1033\r\n"},
    };
    const auto commands = current / "mycmds.dat";
    auto outcome =
        Outcome::success("Demo user '" + user + "' laid out in " + utf8Of(dragon), kTitle, false);
    try {
        for (const auto& [file, text] : layout) {
            fs::create_directories(file.parent_path());
            files.replaceFile(file, text);
        }
        if (fs::exists(commands))
            outcome.followUp = "kept " + utf8Of(commands);
        else
            files.copyFile(demoCommands, commands);
    } catch (const FileError& error) {
        return Outcome::failed(error.what(), kTitle);
    } catch (const fs::filesystem_error& error) {
        return Outcome::failed(utf8Of(error.path1()) + ": " + error.code().message(), kTitle);
    }
    return outcome;
}

std::optional<DemoFolders> systemDemoFolders() {
    DemoFolders folders{pathFromUtf8(specialFolderPath(kCommonAppData)),
                        pathFromUtf8(specialFolderPath(kAppData))};
    if (folders.common.empty() || folders.perUser.empty())
        return std::nullopt;
    return folders;
}

std::filesystem::path shippedDemoCommands() {
    return dataFolder() / "demo" / "mycmds.dat";
}

Outcome setUpProgramFolder(const ProgramDir& home,
                           const std::function<void(const std::string&)>& said) {
    std::string error;
    if (!setUpProgramDirectory(home, said, error))
        return Outcome::failed(error, "Quillmark10 cannot set up its folder");
    return Outcome::success("", "", false);
}

} // namespace qmk::actions
