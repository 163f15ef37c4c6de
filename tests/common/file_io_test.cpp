// Modes, owners, symbolic links and forked processes: POSIX files and locks. Windows' own are
// tested in tests/platform/windows_test.cpp.
#ifndef _WIN32
#include "common/file_io.h"
#include "common/file_lock.h"
#include "other_writer.h"
#include "test_home.h"
#include "text_checks.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qmk {

namespace fs = std::filesystem;

namespace {
struct stat statOf(const fs::path& file) {
    struct stat info {};
    EXPECT_EQ(::stat(file.c_str(), &info), 0) << file;
    return info;
}
} // namespace

TEST(ReplaceFile, KeepsModeOwnerAndLinksOfTheFileReplaced) {
    testing::TestHome home;
    FileOps files;
    // A private file owned by another user stays private and theirs.
    const auto own = home.writeFile("private.dat", "old");
    ASSERT_EQ(::chmod(own.c_str(), 0600), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(own.c_str(), 4242, 4343), 0);
    }
    files.replaceFile(own, "new");
    EXPECT_EQ(testing::readBytes(own), "new");
    EXPECT_EQ(statOf(own).st_mode & 07777, 0600u);
    if (root) {
        EXPECT_EQ(statOf(own).st_uid, 4242u);
        EXPECT_EQ(statOf(own).st_gid, 4343u);
    }

    // A symbolic link is written through; the link stays a link.
    const auto real = home.writeFile("real.dat", "old");
    const auto link = home.path("link.dat");
    fs::create_symlink(real, link);
    files.replaceFile(link, "through the link");
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
    EXPECT_EQ(testing::readBytes(real), "through the link");

    // A file with two hard links is refused and left as it was.
    const auto linked = home.writeFile("linked.dat", "shared");
    fs::create_hard_link(linked, home.path("second.dat"));
    try {
        files.replaceFile(linked, "parted");
        ADD_FAILURE() << "a hard-linked file was replaced";
    } catch (const FileError& error) {
        EXPECT_TRUE(testing::contains(std::string(error.what()), "has 2 hard links"));
    }
    EXPECT_EQ(testing::readBytes(home.path("second.dat")), "shared");
    EXPECT_EQ(hardLinkCount(linked), 2u);
    // Told to go on, the name written gets a file of its own; the other keeps the old content.
    files.partHardLinks(true);
    files.replaceFile(linked, "parted");
    EXPECT_EQ(testing::readBytes(linked), "parted");
    EXPECT_EQ(testing::readBytes(home.path("second.dat")), "shared");
    EXPECT_EQ(hardLinkCount(linked), 1u);
    for (const auto& entry : fs::directory_iterator(home.path("")))
        EXPECT_NE(entry.path().extension(), ".qmk-new") << "nothing half-made stays behind";
}

TEST(CommandFileLock, AnotherProgramWaitsAtMostItsBoundWhileThisOneSharesItsOwnLock) {
    testing::TestHome home;
    const auto file = home.writeFile("mycmds.dat", "x");
    {
        testing::OtherWriter other(file);
        ASSERT_TRUE(other.held());
        const auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(CommandFileLock::acquire(file, std::chrono::milliseconds(100)));
        EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(100));
        other.finish();
        EXPECT_TRUE(CommandFileLock::acquire(file, std::chrono::milliseconds(0)));
    }
    // A write inside this program's own cycle goes on at once; the lock stays until its last
    // holder lets go.
    auto cycle = CommandFileLock::acquire(file, std::chrono::milliseconds(0));
    ASSERT_TRUE(cycle);
    auto write = CommandFileLock::acquire(file, std::chrono::milliseconds(0));
    EXPECT_TRUE(write);
    write.reset();
    const auto lockFile = fs::weakly_canonical(file).string() + ".lock";
    EXPECT_TRUE(testing::OtherWriter::lockHeldElsewhere(lockFile)) << "still held by the cycle";
    cycle.reset();
    EXPECT_FALSE(testing::OtherWriter::lockHeldElsewhere(lockFile))
        << "free once the last holder let go";
}

} // namespace qmk
#endif
