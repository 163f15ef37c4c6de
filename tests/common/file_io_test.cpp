// Modes, owners, symbolic links and forked processes: POSIX files and locks. Windows' own are
// tested in tests/platform/windows_test.cpp.
#ifndef _WIN32
#include "common/file_io.h"
#include "common/file_lock.h"
#include "common/program_dir.h"
#include "common/regex.h"
#include "common/text.h"
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
        // The same file under another name is the same lock: a link, a relative path.
        fs::create_symlink(file, home.path("link.dat"));
        EXPECT_FALSE(CommandFileLock::acquire(home.path("link.dat"), std::chrono::milliseconds(0)));
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

// What cannot be read, written or locked is said, never a crash or a file half done.
TEST(OddPaths, FoldersPipesMissingFoldersAndDanglingLinksAreSaid) {
    testing::TestHome home;
    const auto pipe = home.path("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    fs::create_symlink(home.path("nowhere"), home.path("dangling"));
    for (const auto& unreadable : {home.path(""), pipe, home.path("missing")})
        EXPECT_FALSE(readFileStart(unreadable, 10)) << unreadable;
    FileOps files;
    EXPECT_THROW(files.writeFile(home.path("missing") / "f", "x"), FileError);
    EXPECT_THROW(files.copyFile(home.path("missing"), home.path("f")), FileError);
    EXPECT_THROW(files.replaceFile(home.path("missing") / "f", "x"), FileError);

    // The lock says why it cannot be had: a missing folder, or a lock file that is a folder.
    const auto file = home.writeFile("f.dat", "x");
    fs::create_directory(home.path("f.dat.lock"));
    std::string whyNot;
    for (const auto& [path, says] :
         {std::pair{file / "g.dat", "does not exist"}, {file, "cannot be written to"}}) {
        EXPECT_FALSE(CommandFileLock::acquire(path, std::chrono::milliseconds(0), &whyNot));
        EXPECT_TRUE(testing::contains(whyNot, says)) << whyNot;
    }
    auto first = CommandFileLock::acquire(home.writeFile("a.dat", ""), {});
    auto second = CommandFileLock::acquire(home.writeFile("b.dat", ""), {});
    ASSERT_TRUE(first && second);
    *first = std::move(*second); // a.dat's lock is let go, b.dat's is held once
    EXPECT_TRUE(CommandFileLock::acquire(home.path("a.dat"), {}));
}

TEST(ProgramDirectory, TheOptionThenTheEnvironmentThenThePerUserFolder) {
    testing::ScopedEnvironment environment;
    environment.unset("QUILLMARK10_HOME").set("XDG_DATA_HOME", "/xdg").set("HOME", "/h");
    EXPECT_EQ(ProgramDir::resolve("/opt").folder(), fs::path("/opt"));
    EXPECT_EQ(ProgramDir::resolve("").folder(), fs::path("/xdg/quillmark10"));
    environment.set("XDG_DATA_HOME", "");
    EXPECT_EQ(ProgramDir::resolve("").folder(), fs::path("/h/.local/share/quillmark10"));
    environment.unset("HOME");
    EXPECT_EQ(ProgramDir::resolve("").folder(), fs::current_path() / "quillmark10");
    environment.set("QUILLMARK10_HOME", "/env");
    EXPECT_EQ(ProgramDir::resolve("").folder(), fs::path("/env"));
}

TEST(TextEdges, PatternsReplacementsAndQuotedBytes) {
    EXPECT_THROW(Regex("("), std::invalid_argument);
    EXPECT_EQ(Regex("a(b)").replaceFirst("xyz", "$1"), "xyz");
    EXPECT_EQ(Regex("a(b)").replaceFirst("cab!", "[$1$9$]"), "c[b$]!");
    EXPECT_EQ(replaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(lower("AZaz@[`{"), "azaz@[`{"); // window titles are matched by it
    EXPECT_EQ(quotedText("\xff\xe2\x82\xf0\x9f\x98\x80"), "\\xFF\\xE2\\x82\xf0\x9f\x98\x80");
}

} // namespace qmk
#endif
