#include "platform/os_version.h"
#include "platform/private_profile.h"
#include "platform/special_folders.h"
#include "test_home.h"
#include "text_checks.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace qmk {

TEST(PrivateProfile, ReadsWithWindowsRules) {
    testing::TestHome home;
    const auto ini = home.writeFile(
        "nssystem.ini", "; comment\r\n[Options]\r\n  Save User = Always \r\n"
                        "quoted=\"a b\"\r\nsingle='c d'\r\nZoom=z\r\n"
                        "[C:\\Users\\pat\\mycmds.dat]\r\nmrucount=2\n"
                        "long=" +
                            std::string(300, 'x') + "\r\nfull=" + std::string(250, 'f') +
                            "\r\nfits=" + std::string(249, 'g') + "\r\n");
    EXPECT_EQ(profile::read(ini, "options", "SAVE USER"), "Always");
    EXPECT_EQ(profile::read(ini, "Options", "quoted"), "a b");
    // The program's own reader also takes a slash for a backslash in a section named by a path,
    // so that it finds sections that earlier versions named with slashes; Windows' does not.
    EXPECT_EQ(profile::portable::read(ini, "c:/users/PAT/mycmds.dat", "MRUcount"), "2");
    EXPECT_EQ(profile::read(ini, "Options", "single"), "c d");
    EXPECT_EQ(profile::read(ini, "OPTIONS", "zOOM"), "z");
    // A value fills the 250-place buffer less its terminating NUL.
    EXPECT_EQ(profile::read(ini, "C:\\Users\\pat\\mycmds.dat", "long").size(), 249u);
    EXPECT_EQ(profile::read(ini, "C:\\Users\\pat\\mycmds.dat", "full"), std::string(249, 'f'));
    EXPECT_EQ(profile::read(ini, "C:\\Users\\pat\\mycmds.dat", "fits"), std::string(249, 'g'));
    EXPECT_EQ(profile::read(ini, "Options", "missing", "dflt"), "dflt");
    EXPECT_EQ(profile::read(ini, "Nowhere", "key"), "");
    EXPECT_EQ(profile::read(home.path("none.ini"), "A", "b", "x"), "x");
}

TEST(PrivateProfile, WritesCreateFileSectionAndKeyAndKeepTheRest) {
    testing::TestHome home;
    const auto ini = home.path("Quillmark10.INI");
    ASSERT_TRUE(profile::write(ini, "Quillmark", "slider", "5"));
    EXPECT_EQ(home.readFile("Quillmark10.INI"), "[Quillmark]\r\nslider=5\r\n");
    ASSERT_TRUE(profile::write(ini, "quillmark", "font", "Courier New"));
    ASSERT_TRUE(profile::write(ini, "/tmp/x.dat", "mrucount", "1"));
    ASSERT_TRUE(profile::write(ini, "Quillmark", "SLIDER", "7"));
    EXPECT_EQ(home.readFile("Quillmark10.INI"),
              "[Quillmark]\r\nslider=7\r\nfont=Courier New\r\n[/tmp/x.dat]\r\nmrucount=1\r\n");
    EXPECT_EQ(profile::portable::read(ini, "\\tmp\\x.dat", "mrucount"), "1");
}

// Dragon's INI files are in its code page: read as UTF-8 text, written back in the code page.
TEST(PrivateProfile, DragonsFilesAreReadAndWrittenInTheCodePage) {
    testing::TestHome home;
    const auto ini = home.writeFile("nsuser.ini", "[Settings]\r\nCurrent User=J\xfcrgen\r\n"
                                                  "long=" +
                                                      std::string(300, '\xe9') + "\r\n");
    EXPECT_EQ(profile::readDragon(ini, "settings", "current user"), "J\xc3\xbcrgen");
    // The 249-character cut falls between characters: 249 two-byte UTF-8 sequences.
    std::string cut;
    for (int i = 0; i < 249; ++i)
        cut += "\xc3\xa9";
    EXPECT_EQ(profile::readDragon(ini, "Settings", "long"), cut);
    EXPECT_EQ(profile::readDragon(ini, "Settings", "missing", "G\xc3\xbcnter"), "G\xc3\xbcnter");

    ASSERT_TRUE(profile::writeDragon(ini, "Settings", "Current User", "Fran\xc3\xa7oise"));
    EXPECT_EQ(home.readFile("nsuser.ini").substr(0, 36),
              "[Settings]\r\nCurrent User=Fran\xe7oise\r\n");
    // A name the code page cannot hold is not written, and the file stays as it was.
    const auto before = home.readFile("nsuser.ini");
    EXPECT_FALSE(profile::writeDragon(ini, "Settings", "Current User", "\xc5\x81ukasz"));
    EXPECT_EQ(home.readFile("nsuser.ini"), before);
}

TEST(OsVersion, ShortCodesForEveryBranch) {
    EXPECT_EQ(osVersionName(parseOsVersion("NT 5.0")), "Win2K");
    EXPECT_EQ(osVersionName(parseOsVersion("NT 5.1")), "WinXP");
    EXPECT_EQ(osVersionName(parseOsVersion("NT 5.2")), "WinXP");
    EXPECT_EQ(osVersionName(parseOsVersion("NT 6.0")), "Vista");
    EXPECT_EQ(osVersionName(parseOsVersion("NT 6.1")), "Windows 7");
    EXPECT_EQ(osVersionName(parseOsVersion("NT 4.0")), "WinNT");
    EXPECT_EQ(osVersionName(parseOsVersion("NT 10.0")), "WinNT");
    EXPECT_EQ(osVersionName(parseOsVersion("9x 4.10")), "Win9x");
    EXPECT_EQ(osVersionName(parseOsVersion("9x 3.1")), "");
    EXPECT_EQ(osVersionName(parseOsVersion("9x 5.2 server")), "Win.NET");
    EXPECT_EQ(osVersionName(OsVersion{}), "Windows 7");
}

TEST(SpecialFolders, ComeFromTheEnvironmentOrTheDataFolder) {
    testing::ScopedEnvironment environment;
    environment.set("QUILLMARK10_COMMON_APPDATA", "/sim/ProgramData");
    EXPECT_EQ(specialFolderPath(kCommonAppData), "/sim/ProgramData");
    environment.unset("QUILLMARK10_COMMON_APPDATA");
    EXPECT_TRUE(testing::contains(specialFolderPath(kCommonAppData), "ProgramData"));
    EXPECT_TRUE(testing::contains(specialFolderPath(kAppData), "AppData"));
    EXPECT_EQ(specialFolderPath(5), "");
}

} // namespace qmk
