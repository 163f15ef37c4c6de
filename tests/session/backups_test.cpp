#include "session/backups.h"
#include "test_home.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace qmk {

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kDay = 86'400'000'000'000;

class BackupsTest : public ::testing::Test {
protected:
    BackupsTest()
        : base_(home_.path("users").string()), backups_(home_.home(), base_, files_, home_.prompt) {
        fs::create_directories(base_ + "/pat/current");
        own_ = base_ + "/pat/current/mycmds.dat";
        write("first state");
    }
    void write(const std::string& text) { files_.writeFile(own_, text); }

    testing::TestHome home_;
    FileOps files_;
    std::string base_;
    Backups backups_;
    fs::path own_;
    FileTime today_ = now();
};

} // namespace

TEST_F(BackupsTest, TheFirstWriteOfTheDayIsArchivedOnceAndOnlyForAUsersOwnFile) {
    const auto archive = backups_.RollBackCheck(own_, false, today_);
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->parent_path(), home_.path("pat"));
    EXPECT_EQ(archive->filename().string(), Backups::archiveName(today_));
    write("second state");
    EXPECT_FALSE(backups_.RollBackCheck(own_, false, today_));
    EXPECT_EQ(testing::readBytes(*archive), "first state");

    const auto exported = home_.writeFile("export.dat", "x");
    EXPECT_FALSE(backups_.RollBackCheck(exported, false, today_));
    EXPECT_EQ(backups_.userOf(base_ + "/PAT/Current/MYCMDS.DAT"), "PAT");

    // The manual backup replaces today's archive and says so.
    EXPECT_TRUE(backups_.RollBackCheck(own_, true, today_));
    EXPECT_EQ(testing::readBytes(*archive), "second state");
    ASSERT_EQ(home_.prompt.shown.size(), 1u);
    EXPECT_EQ(home_.prompt.shown[0].text,
              "User 'pat'\r\n\r\n" + own_.string() +
                  "\r\n\r\nBackup taken successfully to above named file");
    EXPECT_EQ(home_.prompt.shown[0].title, archive->string());
}

TEST_F(BackupsTest, OnlyThisMonthsArchivesAreListedAndRestoreKeepsThePreviousFile) {
    EXPECT_EQ(backups_.RollBackListBuild("pat", today_), std::vector<std::string>{kNoneToRollback});
    backups_.RollBackCheck(own_, false, FileTime{today_.nanoseconds - 40 * kDay});
    const auto archive = backups_.RollBackCheck(own_, false, today_)->filename().string();
    EXPECT_EQ(backups_.RollBackListBuild("pat", today_), std::vector<std::string>{archive});

    write("edited");
    home_.prompt.answers = {Prompt::Answer::Cancel};
    EXPECT_FALSE(backups_.restore("pat", archive, own_));
    EXPECT_EQ(testing::readBytes(own_), "edited");
    EXPECT_TRUE(backups_.restore("pat", archive, own_));
    EXPECT_EQ(testing::readBytes(own_), "first state");
    EXPECT_EQ(testing::readBytes(home_.path("pat") / kPreRollback), "edited");
    EXPECT_EQ(home_.prompt.shown.back().title, "Restore from archived file?");
    EXPECT_NE(home_.prompt.shown.back().text.find("Quillmark execution on: " + archive.substr(7) +
                                                  " (mmddyyyy) ?"),
              std::string::npos);
    EXPECT_FALSE(backups_.restore("pat", kNoneToRollback, own_));
}

} // namespace qmk
