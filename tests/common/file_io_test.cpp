#include "common/file_io.h"
#include "common/file_lock.h"
#include "test_home.h"

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
        EXPECT_NE(std::string(error.what()).find("has 2 hard links"), std::string::npos);
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

namespace {

// Another program that takes the lock, says so on a pipe, and holds it until the pipe closes.
struct OtherHolder {
    pid_t pid = -1;
    int hold = -1; // closing it lets the other program go

    explicit OtherHolder(const fs::path& file) {
        int ready[2], wait[2];
        EXPECT_EQ(::pipe(ready), 0);
        EXPECT_EQ(::pipe(wait), 0);
        pid = ::fork();
        if (pid == 0) {
            ::close(ready[0]);
            ::close(wait[1]);
            auto lock = CommandFileLock::acquire(file, std::chrono::seconds(5));
            const char held = lock ? 'y' : 'n';
            (void)!::write(ready[1], &held, 1);
            char ignored;
            (void)!::read(wait[0], &ignored, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(wait[0]);
        char held = 0;
        EXPECT_EQ(::read(ready[0], &held, 1), 1);
        EXPECT_EQ(held, 'y');
        ::close(ready[0]);
        hold = wait[1];
    }
    ~OtherHolder() { release(); }
    void release() {
        if (hold < 0)
            return;
        ::close(hold);
        hold = -1;
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
};

} // namespace

TEST(CommandFileLock, AnotherProgramWaitsAtMostItsBoundWhileThisOneSharesItsOwnLock) {
    testing::TestHome home;
    const auto file = home.writeFile("mycmds.dat", "x");
    {
        OtherHolder other(file);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(CommandFileLock::acquire(file, std::chrono::milliseconds(100)));
        EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(100));
        other.release();
        EXPECT_TRUE(CommandFileLock::acquire(file, std::chrono::milliseconds(0)));
    }
    // A write inside this program's own cycle goes on at once; the lock stays until its last
    // holder lets go.
    auto cycle = CommandFileLock::acquire(file, std::chrono::milliseconds(0));
    ASSERT_TRUE(cycle);
    auto write = CommandFileLock::acquire(file, std::chrono::milliseconds(0));
    EXPECT_TRUE(write);
    write.reset();
    // Another program (util-linux's flock, which inherits nothing of this one) tries it.
    const auto lockFile = fs::weakly_canonical(file).string() + ".lock";
    const auto othersTry = [&] {
        const pid_t child = ::fork();
        if (child == 0) {
            ::execlp("flock", "flock", "--nonblock", lockFile.c_str(), "true", nullptr);
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WEXITSTATUS(status);
    };
    EXPECT_EQ(othersTry(), 1) << "still held by the cycle";
    cycle.reset();
    const int status = othersTry();
    EXPECT_EQ(WEXITSTATUS(status), 0) << "free once the last holder let go";
}

} // namespace qmk
