#include "command_file_builder.h"
#include "failing_files.h"
#include "session/backups.h"
#include "session/settings.h"
#include "test_home.h"
#include "text_checks.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace qmk {

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kDay = 86'400'000'000'000;

// A command file whose one command is named after the state it stands for.
std::string state(const std::string& name) {
    fixture::CommandFileBuilder file;
    file.command(name).keys("x");
    return file.build();
}

class BackupsTest : public ::testing::Test {
protected:
    BackupsTest()
        : base_(home_.path("users").string()), backups_(home_.home(), base_, files_, home_.prompt) {
        fs::create_directories(base_ + "/pat/current");
        own_ = base_ + "/pat/current/mycmds.dat";
        write("first state");
    }
    void write(const std::string& name) { files_.writeFile(own_, state(name)); }

    testing::TestHome home_;
    FileOps files_;
    std::string base_;
    Backups backups_;
    fs::path own_;
    FileTime today_ = testing::localTime(2026, 1, 5);
};

} // namespace

TEST(BackupsNames, AnArchiveIsNamedMonthDayYearOfItsLocalDay) {
    const std::pair<FileTime, const char*> cases[] = {
        {testing::localTime(2026, 1, 5), "mycmds.01052026"},
        {testing::localTime(2025, 12, 31), "mycmds.12312025"},
        {testing::localTime(2024, 2, 29), "mycmds.02292024"},
        {testing::localTime(2000, 10, 1), "mycmds.10012000"},
        {testing::localTime(2031, 7, 9), "mycmds.07092031"},
    };
    for (const auto& [day, name] : cases)
        EXPECT_EQ(Backups::archiveName(day), name);
}

TEST_F(BackupsTest, OnlyThisMonthsArchivesAreListedAndRestoreKeepsThePreviousFile) {
    const auto readsBack = [] { return true; };
    EXPECT_EQ(backups_.archivesOfThisMonth("pat", today_),
              std::vector<std::string>{kNoneToRollback});
    backups_.archiveBeforeWrite(own_, false, FileTime{today_.nanoseconds - 40 * kDay});
    const auto archive = backups_.archiveBeforeWrite(own_, false, today_)->filename().string();
    EXPECT_EQ(backups_.archivesOfThisMonth("pat", today_), std::vector<std::string>{archive});

    write("edited");
    home_.prompt.answers = {Prompt::Answer::Cancel};
    EXPECT_FALSE(backups_.restore("pat", archive, own_, readsBack));
    EXPECT_EQ(testing::readBytes(own_), state("edited"));
    EXPECT_TRUE(backups_.restore("pat", archive, own_, readsBack));
    EXPECT_EQ(testing::readBytes(own_), state("first state"));
    EXPECT_EQ(testing::readBytes(home_.path("pat") / kPreRollback), state("edited"));
    EXPECT_EQ(home_.prompt.shown.back().title, "Restore from archived file?");
    EXPECT_TRUE(testing::contains(home_.prompt.shown.back().text, "Quillmark execution on: 01052026"
                                                                  " (mmddyyyy) ?"));
    const auto shown = home_.prompt.shown.size();
    EXPECT_FALSE(backups_.restore("pat", kNoneToRollback, own_, readsBack));
    EXPECT_EQ(home_.prompt.shown.size(), shown);
    // A name that is no archive of the user is said before any question, and nothing is copied.
    write("edited again");
    files_.writeFile(home_.path("pat") / "1052026", "not an archive: no date in the name");
    for (const std::string name : {"1052026", "mycmds.01052025"}) {
        home_.prompt.answers = {Prompt::Answer::Ok};
        EXPECT_FALSE(backups_.restore("pat", name, own_, readsBack));
        EXPECT_EQ(home_.prompt.shown.back().text, name + " is not an archive of user 'pat'");
        EXPECT_EQ(home_.prompt.answers.size(), 1U) << "no question was asked";
    }
    EXPECT_EQ(testing::readBytes(own_), state("edited again"));
}

TEST_F(BackupsTest, AnArchiveThatIsNoCommandFileOrDoesNotReadBackChangesNothing) {
    const auto archive = backups_.archiveBeforeWrite(own_, false, today_)->filename().string();
    write("edited");
    auto damaged = state("first state");
    damaged.resize(damaged.size() - 6);
    files_.writeFile(home_.path("pat") / archive, damaged);
    home_.prompt.answers = {Prompt::Answer::Ok};
    EXPECT_FALSE(backups_.restore("pat", archive, own_, [] { return true; }));
    EXPECT_EQ(home_.prompt.answers.size(), 1u) << "refused before the question";
    EXPECT_TRUE(testing::contains(home_.prompt.shown.back().text,
                                  archive + " cannot be restored: it is damaged at position"));
    EXPECT_EQ(testing::readBytes(own_), state("edited"));
    // A restore whose file does not read back is undone, and the file from before read again.
    files_.writeFile(home_.path("pat") / archive, state("first state"));
    int reads = 0;
    EXPECT_FALSE(backups_.restore("pat", archive, own_, [&] { return ++reads > 1; }));
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(testing::readBytes(own_), state("edited"));
    EXPECT_EQ(home_.prompt.shown.back().title, "The command file was not restored");
}

namespace {
// User pat's own command file, and the backups of it through file operations that can fail.
struct FailingBackups {
    testing::TestHome home;
    testing::FailingAtStep files;
    Backups backups{home.home(), home.path("users").string(), files, home.prompt};
    fs::path own = home.path("users") / "pat" / "current" / "mycmds.dat";

    FailingBackups() {
        fs::create_directories(own.parent_path());
        FileOps::system().writeFile(own, state("first state"));
    }
};
} // namespace

// The archive, the restore and the settings file with the disk failing at each step: every file
// is whole, old or new, and a failure is said.
TEST(BackupsFaults, ArchivesRestoresAndSettingsAreWholeOrAsTheyWere) {
    for (int step = 0; step < 2; ++step) {
        SCOPED_TRACE("failing at step " + std::to_string(step));
        FailingBackups setup;
        auto& [home, files, backups, own] = setup;
        files.failAt = step;
        EXPECT_FALSE(backups.archiveBeforeWrite(own, false, now()));
        EXPECT_TRUE(files.failed);
        ASSERT_EQ(home.prompt.shown.size(), 1u);
        EXPECT_TRUE(testing::contains(home.prompt.shown[0].text,
                                      "The day's archive copy could not be written"));
        EXPECT_TRUE(fs::is_empty(home.path("pat"))) << "no archive, and nothing half-written";
        EXPECT_EQ(testing::readBytes(own), state("first state"));
    }

    // The restore: two steps for the pre-rollback copy, two for the command file.
    for (int step = 0; step < 4; ++step) {
        SCOPED_TRACE("restore failing at step " + std::to_string(step));
        FailingBackups setup;
        auto& [home, files, backups, own] = setup;
        const auto archive = backups.archiveBeforeWrite(own, false, now())->filename().string();
        FileOps::system().writeFile(own, state("edited"));
        files.steps = 0;
        files.failAt = step;
        EXPECT_FALSE(backups.restore("pat", archive, own, [] { return true; }));
        EXPECT_EQ(home.prompt.shown.back().title, "The command file was not restored");
        EXPECT_EQ(testing::readBytes(own), state("edited"));
        const auto pre = home.path("pat") / kPreRollback;
        if (fs::exists(pre)) {
            EXPECT_EQ(testing::readBytes(pre), state("edited"));
        }
        for (const auto& entry : fs::recursive_directory_iterator(home.home().folder()))
            EXPECT_NE(entry.path().extension(), ".qmk-new") << entry.path();
    }

#ifndef _WIN32 // Windows' own profile functions write the settings file there, not FileOps
    for (int step = 0; step < 2; ++step) {
        testing::TestHome home;
        testing::FailingAtStep files;
        Settings settings(home.path(kSettingsFile), files);
        settings.write("slider", "7");
        const auto before = testing::readBytes(home.path(kSettingsFile));
        files.steps = 0;
        files.failAt = step;
        settings.write("slider", "9");
        EXPECT_EQ(testing::readBytes(home.path(kSettingsFile)), before);
        EXPECT_FALSE(fs::exists(home.path(std::string(kSettingsFile) + ".qmk-new")));
        files.failAt = -1;
        settings.write("slider", "9");
        EXPECT_EQ(settings.read("slider", "5"), "9");
    }
#endif
}

} // namespace qmk
