#include "command_file_builder.h"
#include "store/parameters.h"
#include "store/user_rows.h"
#include "test_home.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace qmk {

using fixture::CommandFileBuilder;

namespace {
std::string smallFile() {
    CommandFileBuilder file;
    file.command("one").keys("1");
    file.command("two").application("prog").script("2");
    file.list("l", {"a", "b"});
    return file.build();
}
} // namespace

TEST(Parse, AnUnchangedFileIsOnlyCountedAndForceParsesAgain) {
    testing::TestHome home;
    const auto path = home.writeFile("mycmds.dat", smallFile());
    ASSERT_EQ(home.parse(path).status, ParseStatus::Parsed);
    const auto first = home.rows();
    EXPECT_EQ(home.status.count, "2 /1");
    EXPECT_EQ(home.status.progress, (std::vector<std::string>{"Processing mycmds.dat", ""}));

    home.status = {};
    EXPECT_EQ(home.parse(path).status, ParseStatus::Current);
    EXPECT_TRUE(home.parser().success());
    EXPECT_EQ(home.status.count, "2 /1");
    EXPECT_TRUE(home.status.progress.empty());
    const auto second = home.rows();
    ASSERT_EQ(second.size(), first.size());
    EXPECT_EQ(second[0].id, first[0].id); // no row was touched

    EXPECT_EQ(home.parse(path, true).status, ParseStatus::Parsed);
    EXPECT_GT(home.rows()[0].id, first[0].id);
}

TEST(Parse, AnotherFileWithTheSameTimeIsStillParsed) {
    testing::TestHome home;
    const auto a = home.writeFile("a.dat", smallFile());
    CommandFileBuilder other;
    other.command("only").keys("o");
    const auto b = home.writeFile("b.dat", other.build());
    std::filesystem::last_write_time(b, std::filesystem::last_write_time(a));
    ASSERT_TRUE(home.parse(a).ok());
    EXPECT_EQ(home.parse(b).status, ParseStatus::Parsed);
    ASSERT_EQ(home.rows().size(), 1u);
    EXPECT_EQ(home.rows()[0].filename, "b.dat");
}

TEST(Parse, MissingFilesAreReportedWithTheirMessages) {
    testing::TestHome home;
    const auto missing = home.path("nothing.dat");
    const auto result = home.parse(missing);
    EXPECT_EQ(result.status, ParseStatus::CommandFileMissing);
    EXPECT_EQ(result.message, "Required NatSpeak file missing--cannot continue");
    EXPECT_EQ(result.title, missing.string());

    const auto path = home.writeFile("mycmds.dat", smallFile());
    ASSERT_TRUE(home.parse(path).ok());
    std::filesystem::remove(home.path("keynames"));
    const auto noKeys = home.parse(path, true);
    EXPECT_EQ(noKeys.status, ParseStatus::KeyNamesMissing);
    EXPECT_EQ(noKeys.message, "Required file 'keynames' missing");
    EXPECT_EQ(noKeys.title, "Reinstall");
    EXPECT_EQ(home.rows().size(), 3u); // the store is left as it was
}

#ifndef _WIN32 // FIFOs, devices and symbolic link loops are POSIX files
TEST(Parse, FoldersPipesAndLinkLoopsAreRefusedAtOnce) {
    testing::TestHome home;
    namespace fs = std::filesystem;
    fs::create_directory(home.path("folder.dat"));
    ASSERT_EQ(::mkfifo(home.path("pipe.dat").c_str(), 0600), 0);
    fs::create_symlink(home.path("loop2.dat"), home.path("loop1.dat"));
    fs::create_symlink(home.path("loop1.dat"), home.path("loop2.dat"));
    const std::pair<const char*, const char*> cases[] = {
        {"folder.dat", "This is not a command file: it is a folder"},
        {"pipe.dat", "This is not a command file: it is a pipe"},
        {"loop1.dat", "This is not a command file: it cannot be reached ("},
        {"/dev/null", "This is not a command file: it is a device"}};
    for (const auto& [name, message] : cases) {
        const auto file = name[0] == '/' ? fs::path(name) : home.path(name);
        const auto result = home.parse(file);
        EXPECT_EQ(result.status, ParseStatus::NotACommandFile) << name;
        EXPECT_EQ(result.message.substr(0, std::string(message).size()), message);
        EXPECT_EQ(result.title, file.string());
    }
    EXPECT_TRUE(home.traceLines().empty()) << "nothing was retried";
    EXPECT_EQ(home.parse(home.path("absent.dat")).status, ParseStatus::CommandFileMissing);
}
#endif

TEST(Parse, RowsWithOffsetZeroSurviveAndAreReplacedByTheFilesOwn) {
    testing::TestHome home;
    UserRow kept;
    kept.program = "WORD";
    kept.scope = "Global Commands";
    kept.name = "copy of l";
    kept.type = ItemType::List;
    kept.listcopy = true;
    deriveColumns(kept);
    UserRow replaced = kept;
    replaced.program = "Global Commands";
    replaced.name = "l";
    deriveColumns(replaced);
    UserTable table(home.store());
    table.add(kept);
    table.add(replaced);

    ASSERT_TRUE(home.parse(home.writeFile("mycmds.dat", smallFile())).ok());
    const auto rows = home.rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].name, "copy of l");
    EXPECT_EQ(rows[3].name, "l");
    EXPECT_EQ(rows[3].offset != 0, true);
    EXPECT_TRUE(rows[3].dupe);
}

// A file another program holds open is tried again after a wait, at most 20 times in all,
// each retry counted in the status line and marked in the trace.
TEST(Parse, AFileHeldOpenIsTriedTwentyTimesWithAWaitBetween) {
    testing::TestHome home;
    const auto path = home.writeFile("mycmds.dat", smallFile());
    for (const int heldFor : {3, 25}) {
        int reads = 0;
        ParseContext context{home.home(), home.store(), home.trace(),
                             home.status, home.prompt,  home.home().folder()};
        context.retryWait = std::chrono::milliseconds(2);
        context.readStart = [&](const std::filesystem::path& file, std::uint64_t count) {
            return ++reads > heldFor ? readFileStart(file, count) : std::nullopt;
        };
        home.status.counts.clear();
        const auto began = std::chrono::steady_clock::now();
        const auto result = Parser(context).parse(true, path.string());
        const int retries = std::min(heldFor, 19);
        EXPECT_GE(std::chrono::steady_clock::now() - began, retries * context.retryWait);
        EXPECT_EQ(result.status, heldFor < 20 ? ParseStatus::Parsed : ParseStatus::CannotOpen);
        EXPECT_EQ(reads, heldFor < 20 ? heldFor + 2 : 20); // the header, then the whole file
        ASSERT_GE(home.status.counts.size(), static_cast<std::size_t>(retries));
        EXPECT_EQ(home.status.counts[static_cast<std::size_t>(retries) - 1],
                  "retrying: " + std::to_string(retries));
    }
    const auto trace = home.traceLines();
    EXPECT_EQ(std::count_if(trace.begin(), trace.end(),
                            [](const std::string& line) { return line.find("retrying: ") == 0; }),
              3 + 19);
}

} // namespace qmk
