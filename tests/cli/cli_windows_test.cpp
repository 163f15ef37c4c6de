// qmk10 on Windows, run under Wine: a demo Dragon user "Jürgen" laid out where Dragon's own
// installation would be and found through the shell's special folders, then whoami, an edit, an
// export, a backup and a rollback, with drive letters, backslashes and a folder name outside
// ASCII in every path.
#include "common/file_io.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "platform/special_folders.h"
#include "run_qmk10.h"
#include "test_home.h"
#include "text_checks.h"

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace qmk {

namespace fs = std::filesystem;

namespace {

class CliOnWindows : public ::testing::Test {
protected:
    CliOnWindows() {
        environment_.unset("QUILLMARK10_COMMON_APPDATA").unset("QUILLMARK10_APPDATA");
        dragon_ =
            pathFromUtf8(specialFolderPath(kCommonAppData)) / "Nuance" / "NaturallySpeaking10";
        userDragon_ = pathFromUtf8(specialFolderPath(kAppData)) / "Nuance" / "NaturallySpeaking10";
        removeDemo();
        home_ = utf8Of(folder_.path("J\xc3\xbcrgen") / "qmk");
        for (int setUp = 0; setUp < 2; ++setUp) // a second set-up replaces the help pages
            EXPECT_EQ(qmk({"init"}).status, 0);
    }
    ~CliOnWindows() override { removeDemo(); }

    testing::Qmk10Run qmk(std::vector<std::string> args) {
        return testing::runQmk10(pathFromUtf8(home_), std::move(args));
    }
    // Only a demo's installation is removed; the test runs in Wine's own prefix.
    void removeDemo() {
        const auto system = readWholeFile(dragon_ / "nssystem.ini");
        if (system && system->starts_with("; a demonstration installation")) {
            fs::remove_all(dragon_);
            fs::remove_all(userDragon_);
        }
    }

    testing::ScopedEnvironment environment_;
    testing::TestHome folder_;
    std::string home_;
    fs::path dragon_, userDragon_;
};

} // namespace

TEST_F(CliOnWindows, ADemoUserInTheSystemFoldersIsFoundEditedExportedBackedUpAndRolledBack) {
    const std::string user = "J\xc3\xbcrgen";
    const auto setup = qmk({"demo-setup", "--system-folders", "--user", user});
    ASSERT_EQ(setup.status, 0) << setup.err;
    EXPECT_EQ(setup.out, "set \"QUILLMARK10_HOME=" + home_ + "\"\n");
    const auto own = dragon_ / "users" / pathFromUtf8(user) / "current" / "mycmds.dat";
    ASSERT_TRUE(fs::exists(own)) << "the user's folder is named J\xc3\xbcrgen, as given";
    EXPECT_EQ(lower(utf8Of(dragon_)), "c:\\programdata\\nuance\\naturallyspeaking10");
    // Dragon's own INI files are in its code page, not the program's UTF-8.
    EXPECT_EQ(testing::readBytes(userDragon_ / "nsuser.ini"),
              "[Settings]\r\nCurrent User=J\xfcrgen\r\n");

    const auto who = qmk({"whoami", "--json"});
    ASSERT_EQ(who.status, 0) << who.err;
    const auto found = nlohmann::json::parse(who.out);
    EXPECT_EQ(found["CurrentUser"], user);
    const std::string directory = found["CurrentUserDirectory"];
    EXPECT_EQ(lower(directory.substr(0, 16)), "c:\\programdata/n") << directory;
    EXPECT_TRUE(testing::contains(directory, "/" + user + "/current"));

    // An edit of the user's own file keeps the day's archive first; the body is written in the
    // file's code page.
    const auto before = testing::readBytes(own);
    const auto edited = qmk({"set-body", "--name", "sign off", "--body",
                             "Gr\xc3\xbc\xc3\x9f"
                             "e"});
    ASSERT_EQ(edited.status, 0) << edited.err;
    EXPECT_TRUE(testing::contains(testing::readBytes(own), "Gr\xfc\xdf"
                                                           "e"));
    const auto archives = qmk({"rollback", "--list"});
    ASSERT_EQ(archives.status, 0) << archives.err;
    const auto archive = archives.out.substr(0, archives.out.find('\n'));
    EXPECT_EQ(testing::readBytes(pathFromUtf8(home_) / pathFromUtf8(user) / pathFromUtf8(archive)),
              before);

    const auto copy = utf8Of(folder_.path("J\xc3\xbcrgen") / "copy.dat");
    const auto exported = qmk({"export", "--all", "--to", copy});
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(qmk({"parse", copy}).out, "397 /2\n");

    ASSERT_EQ(qmk({"rollback", archive, "--yes"}).status, 0);
    EXPECT_EQ(testing::readBytes(own), before);

    // A backup by hand takes the day's archive again, now of the file as it is.
    const auto backup = qmk({"backup"});
    ASSERT_EQ(backup.status, 0) << backup.err;
    EXPECT_TRUE(fs::exists(pathFromUtf8(backup.out.substr(0, backup.out.find('\n')))));
}

TEST_F(CliOnWindows, ARealDragonInstallationIsNeverWrittenOver) {
    fs::create_directories(dragon_);
    const std::string real = "[Settings]\r\nsupported languages=ENX\r\n";
    std::ofstream(dragon_ / "nssystem.ini", std::ios::binary) << real;
    const auto setup = qmk({"demo-setup", "--system-folders"});
    EXPECT_EQ(setup.status, 1);
    EXPECT_TRUE(testing::contains(setup.err, "leaves a real installation alone"));
    EXPECT_EQ(testing::readBytes(dragon_ / "nssystem.ini"), real);
    EXPECT_FALSE(fs::exists(dragon_ / "users"));
    fs::remove_all(dragon_);
}

} // namespace qmk
