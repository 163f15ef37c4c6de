#include "common/text.h"
#include "common/utf8_path.h"
#include "dragon_install.h"
#include "platform/special_folders.h"
#include "session/dragon_environment.h"
#include "store/parameters.h"
#include "store/statements.h"
#include "store/user_rows.h"
#include "test_home.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace qmk {

namespace {

namespace fs = std::filesystem;

// A simulated Dragon installation in the test's folder.
class NatTest : public ::testing::Test {
protected:
    NatTest()
        : install_(home_.path("")), common_(install_.common), perUser_(install_.perUser),
          dragon_(install_.dragon), userDragon_(install_.userDragon), machine_(install_.machine()) {
        // Tests move the folders about.
        machine_.specialFolder = [this](int id) {
            return id == kCommonAppData ? common_ : id == kAppData ? perUser_ : std::string();
        };
    }

    static void write(const std::string& file, const std::string& text) {
        testing::DragonInstall::write(file, text);
    }

    // The program's directory is the test's own unless another is named.
    DragonEnvironment discover(const fs::path& programDirectory = {}) {
        DragonEnvironment found(home_.prompt, trace_, engine_, machine_);
        found.setStoreName("global10.mdb");
        found.initialize(programDirectory.empty() ? home_.home().folder() : programDirectory,
                         home_.store());
        return found;
    }

    std::vector<std::string> messages() const {
        std::vector<std::string> shown;
        for (const auto& m : home_.prompt.shown)
            shown.push_back(m.title + ": " + m.text);
        return shown;
    }

    testing::TestHome home_;
    testing::DragonInstall install_;
    Trace trace_;
    SimulatedWindows windows_;
    SimulatedEngine engine_{windows_, {}};
    std::string common_, perUser_, dragon_, userDragon_;
    DragonMachine machine_;
    OsVersion& os_ = install_.os;
};

} // namespace

TEST_F(NatTest, AnotherUserEmptiesTheStoreAndTheSameUserKeepsIt) {
    discover();
    UserRow row;
    row.name = "kept";
    deriveColumns(row);
    UserTable(home_.store()).add(row);
    Parameters(home_.store()).set(Parameters::Text::mycmdstime, "then");
    discover();
    EXPECT_EQ(home_.rows().size(), 1u);
    write(userDragon_ + "/nsuser.ini", "[Settings]\r\nCurrent User=kim\r\n");
    discover();
    EXPECT_TRUE(home_.rows().empty());
    EXPECT_FALSE(Parameters(home_.store()).get(Parameters::Text::mycmdstime));
    EXPECT_EQ(Parameters(home_.store()).get(Parameters::Number::parsed), 0);
}

TEST_F(NatTest, VersionsOutsideTenOrItsMinorsAreRefused) {
    for (const auto& [code, minor] :
         std::vector<std::pair<std::uint16_t, int>>{{10, 1}, {15, 2}, {25, 2}, {5, 0}}) {
        engine_.setVersion({10, code, 0});
        write(userDragon_ + "/dragon.log", "no version here\r\n");
        EXPECT_EQ(discover().minorVersion, minor) << code;
    }
    home_.prompt.shown.clear();
    engine_.setVersion({10, 20, 0});
    EXPECT_TRUE(discover().initFailed);
    EXPECT_EQ(messages(),
              std::vector<std::string>{"Unable to continue: Unknown NaturallySpeaking version"});
    home_.prompt.shown.clear();
    engine_.setVersion({9, 10, 0});
    EXPECT_TRUE(discover().initFailed);
    EXPECT_EQ(messages(),
              std::vector<std::string>{
                  "Sorry: Quillmark10 can only work with version 10 of NaturallySpeaking"});
}

TEST_F(NatTest, MissingFilesAndUsersStopWithTheirMessages) {
    write(userDragon_ + "/nsuser.ini", "[Settings]\r\n");
    EXPECT_TRUE(discover().initFailed);
    EXPECT_EQ(messages(), std::vector<std::string>{
                              "Have you trained any Users?: No User detected, cannot continue"});
    home_.prompt.shown.clear();
    fs::remove(userDragon_ + "/dragon.log");
    EXPECT_TRUE(discover().initFailed);
    EXPECT_EQ(messages(), std::vector<std::string>{
                              "Report this to Tarnwell, send 'trace.qmk10': Expected file not "
                              "found:\r\n" +
                              userDragon_ + "/dragon.log"});
    home_.prompt.shown.clear();
    os_ = parseOsVersion("9x 3.1");
    EXPECT_TRUE(discover().initFailed);
    EXPECT_EQ(messages(),
              (std::vector<std::string>{
                  "Unable to continue: Unable to determine your Operating System",
                  "This may assist him: Please send the file 'trace.qmk10' to Tarnwell"}));
    home_.prompt.shown.clear();
    // A program directory without its store.
    const auto bare = home_.path("bare");
    fs::create_directories(bare);
    EXPECT_TRUE(discover(bare).initFailed);
    EXPECT_EQ(messages().at(0),
              utf8Of(bare / "global10.mdb") + ": Required file global10.mdb missing--reinstall");
}

TEST_F(NatTest, OldWindowsFindTheAllUsersFolderFromThePerUserOne) {
    os_ = parseOsVersion("9x 4.10");
    perUser_ = "C:\\Windows\\Profiles\\pat\\Application Data";
    common_.clear();
    // The files are missing there; the paths are what matters.
    EXPECT_EQ(discover().systemIniFile,
              "C:\\Windows\\Profiles\\All Users\\Application Data/Nuance/NaturallySpeaking10/"
              "nssystem.ini");
    perUser_ = "C:\\Windows\\Application Data";
    EXPECT_EQ(discover().systemIniFile,
              "C:\\Windows\\all users\\application Data/Nuance/NaturallySpeaking10/nssystem.ini");
}

TEST_F(NatTest, DiscoversTheInstallationAndTheCurrentUser) {
    auto found = discover();
    ASSERT_FALSE(found.initFailed) << ::testing::PrintToString(messages());
    EXPECT_EQ(found.currentUserDirectory, dragon_ + "/users/pat/current");
    EXPECT_EQ(found.language + " " + found.speakerLanguageId + " " + found.versionText,
              "ENX 1033 10.1");
    EXPECT_EQ(Parameters(home_.store()).get(Parameters::Text::language), "ENX");
    EXPECT_TRUE(found.isUsersOwnFile(dragon_ + "/USERS/Pat/current/MYCMDS.dat"));
    EXPECT_FALSE(found.isUsersOwnFile(dragon_ + "/users/pat/current/other.dat"));
    write(dragon_ + "/nssystem.ini", "[Settings]\r\nsupported languages=ENXU\r\n");
    EXPECT_EQ(discover().language, "ENX"); // the first three letters of the list
}

} // namespace qmk
