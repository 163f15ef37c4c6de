#include "actions/demo_installation.h"

#include "common/file_io.h"
#include "common/utf8_path.h"
#include "format/codepage.h"

#include <fstream>

namespace qmk::actions {

namespace fs = std::filesystem;

namespace {

constexpr const char* kTitle = "demo-setup";

bool writeText(const fs::path& file, const std::string& text) {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

} // namespace

Outcome installDemo(const DemoFolders& folders, const std::string& user,
                    const fs::path& demoCommands) {
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
    // Dragon writes its INI files in its code page.
    const auto userInCodePage = codepage::fromUtf8(user);
    if (!userInCodePage.ok)
        return Outcome::refused("A Dragon user cannot be named '" + user + "': " +
                                    userInCodePage.message,
                                kTitle);
    std::error_code ec;
    fs::create_directories(current, ec);
    if (ec)
        return Outcome::failed(utf8Of(current) + ": " + ec.message(), kTitle);
    const std::pair<fs::path, std::string> files[] = {
        {dragon / "nssystem.ini",
         std::string(kDemoInstallationMark) + "\r\n[Settings]\r\nsupported languages=ENX\r\n"},
        {userDragon / "nsuser.ini", "[Settings]\r\nCurrent User=" + userInCodePage.bytes + "\r\n"},
        {userDragon / "dragon.log",
         "Starting process natspeak.exe (ver Professional)\r\n"
         "Dragon NaturallySpeaking Version 10.10.200.000\r\nEdition: Professional\r\n"},
        {current / "options.ini", "[Options]\r\nspeakerlanguageID=1033\r\n"},
    };
    for (const auto& [file, text] : files)
        if (!writeText(file, text))
            return Outcome::failed(utf8Of(file) + ": cannot be written", kTitle);
    const auto commands = current / "mycmds.dat";
    auto outcome =
        Outcome::success("Demo user '" + user + "' laid out in " + utf8Of(dragon), kTitle, false);
    if (fs::exists(commands))
        outcome.followUp = "kept " + utf8Of(commands);
    else if (!fs::copy_file(demoCommands, commands, ec))
        return Outcome::failed(utf8Of(commands) + ": " + ec.message(), kTitle);
    return outcome;
}

} // namespace qmk::actions
