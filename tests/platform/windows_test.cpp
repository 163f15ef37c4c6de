// The Windows back end, run under Wine: the system's profile functions against the program's
// own INI code, the shell's special folders, and a replace that keeps the file's attributes.
#include "common/file_io.h"
#include "common/text.h"
#include "platform/private_profile.h"
#include "platform/special_folders.h"
#include "test_home.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace qmk {

namespace {

constexpr const char* kIni = "; comment\r\n[Options]\r\n  Save User = Always \r\n"
                             "quoted=\"a b\"\r\nsingle='c d'\r\nZoom=z\r\nempty=\r\n"
                             "[C:\\Users\\pat\\mycmds.dat]\r\nmrucount=2\n"
                             "[Second]\r\nkey=first\r\n\r\n[second]\r\nkey=again\r\n";

} // namespace

TEST(WindowsProfile, TheProgramsOwnReaderAgreesWithTheSystemsOnEveryCase) {
    testing::TestHome home;
    const auto ini =
        home.writeFile("cases.ini", std::string(kIni) + "[Long]\r\nlong=" + std::string(300, 'x') +
                                        "\r\nfull=" + std::string(250, 'f') + "\r\n");
    const struct {
        const char* section;
        const char* key;
        const char* fallback;
    } cases[] = {{"options", "SAVE USER", ""}, {"Options", "quoted", ""},
                 {"Options", "single", ""},    {"OPTIONS", "zOOM", ""},
                 {"Options", "empty", "dflt"}, {"Options", "missing", "dflt"},
                 {"Nowhere", "key", ""},       {"c:\\users\\PAT\\mycmds.dat", "MRUcount", ""},
                 {"second", "key", ""},        {"Long", "long", ""},
                 {"Long", "full", ""},         {" Options ", "Zoom", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(profile::portable::read(ini, c.section, c.key, c.fallback),
                  profile::read(ini, c.section, c.key, c.fallback))
            << c.section << " / " << c.key;
    EXPECT_EQ(profile::portable::read(home.path("none.ini"), "A", "b", "x"),
              profile::read(home.path("none.ini"), "A", "b", "x"));
}

// Wine's profile functions write the whole file again, without blank lines and with blanks
// around "=" removed; Windows' own keep the other lines as they are, as the program's writer
// does. What both files then hold is compared through the system's reader.
TEST(WindowsProfile, TheProgramsOwnWriterLeavesWhatTheSystemsWouldLeave) {
    testing::TestHome home;
    const auto mine = home.writeFile("mine.ini", kIni);
    const auto system = home.writeFile("system.ini", kIni);
    const struct {
        const char* section;
        const char* key;
        const char* value;
    } writes[] = {{"Quillmark", "slider", "5"}, {"quillmark", "font", "Courier New"},
                  {"Quillmark", "SLIDER", "7"}, {"options", "ZOOM", "y"},
                  {"Options", "new key", "n"},  {"C:\\Users\\pat\\mycmds.dat", "1", "open mail"},
                  {"second", "key", "changed"}};
    for (const auto& w : writes) {
        ASSERT_TRUE(profile::portable::write(mine, w.section, w.key, w.value));
        ASSERT_TRUE(profile::write(system, w.section, w.key, w.value));
        for (const auto& r : writes)
            EXPECT_EQ(profile::read(mine, r.section, r.key, "-"),
                      profile::read(system, r.section, r.key, "-"))
                << "after " << w.section << "/" << w.key << ": " << r.section << "/" << r.key;
    }
    for (const char* key : {"Save User", "quoted", "single", "empty"})
        EXPECT_EQ(profile::read(mine, "Options", key, "-"),
                  profile::read(system, "Options", key, "-"));
    // A file each creates.
    ASSERT_TRUE(profile::portable::write(home.path("new-mine.ini"), "Quillmark", "slider", "5"));
    ASSERT_TRUE(profile::write(home.path("new-system.ini"), "Quillmark", "slider", "5"));
    EXPECT_EQ(home.readFile("new-mine.ini"), home.readFile("new-system.ini"));
}

TEST(WindowsFiles, AReplacedFileKeepsItsAttributesAndTheShellNamesTheSpecialFolders) {
    testing::TestHome home;
    const auto file = home.writeFile("mycmds.dat", "old");
    ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    FileOps::system().replaceFile(file, "new");
    EXPECT_EQ(home.readFile("mycmds.dat"), "new");
    EXPECT_TRUE(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_HIDDEN);

    // Held open by another program that shares it with no one: said plainly, the file kept.
    const HANDLE held =
        CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    try {
        FileOps::system().replaceFile(file, "newer");
        ADD_FAILURE() << "a file held open was replaced";
    } catch (const FileError& error) {
        EXPECT_TRUE(std::string(error.what()).find("open in another program") != std::string::npos)
            << error.what();
    }
    CloseHandle(held);
    EXPECT_EQ(home.readFile("mycmds.dat"), "new");

    testing::ScopedEnvironment environment;
    environment.unset("QUILLMARK10_COMMON_APPDATA").unset("QUILLMARK10_APPDATA");
    EXPECT_EQ(lower(specialFolderPath(kCommonAppData)), "c:\\programdata");
    const auto appData = specialFolderPath(kAppData);
    EXPECT_EQ(lower(appData.substr(0, 9)), "c:\\users\\");
    EXPECT_EQ(lower(appData.substr(appData.size() - 16)), "\\appdata\\roaming");
}

} // namespace qmk
