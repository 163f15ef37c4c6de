#include "format/image_reader.h"
#include "generations.h"
#ifndef _WIN32
#include "other_writer.h"
#endif
#include "text_checks.h"
#include "writer/guarded_write.h"
#include "writer/record_edits.h"
#include "writer_fixture.h"

namespace qmk::testing {

using fixture::CommandFileBuilder;
using layout::Generation;

namespace {
CommandFileBuilder threeCommands(Generation generation = Generation::V10) {
    CommandFileBuilder file(CommandFileBuilder::versionCode(generation));
    file.command("first").keys(std::string(254, 'a'));
    file.command("second").application("prog").plainText("text");
    file.command("third").window("prog", "Title").states({"s"}).script("x");
    file.list("colors", {"red", "green"});
    file.list("sizes", {"small"});
    return file;
}
} // namespace

TEST_F(WriterTest, PlainTextKeepsOneZeroByteAndTheListCountStays) {
    CommandFileBuilder file;
    file.command("only").plainText("old text");
    load(file);
    ASSERT_TRUE(replaceBody(*engine_, row("only"), "new\r\ntext").done());
    const auto bytes = fileBytes();
    const auto at = static_cast<std::size_t>(row("only").offsetbody) - 1;
    EXPECT_EQ(bytes.substr(at), std::string("\x00\x09new\r\ntext\x00\x00\x00\x00", 15));
    expectStoreMatchesFile();
}

// Widths exactly at their limits are taken by an edit, and a LIST count past 255 is read, written
// and read again in its four bytes.
TEST_F(WriterTest, WidthsAndCountsAtTheirLimitsAreWritten) {
    CommandFileBuilder file;
    file.command("first").keys("a");
    std::vector<std::string> items;
    std::string body;
    for (int i = 1; i <= 300; ++i) {
        items.push_back("item" + std::to_string(i));
        body += "item" + std::to_string(i) + "\r\n";
    }
    file.list("many", items);
    load(file);
    EXPECT_EQ(row("many").script, body);

    const std::string name(150, 'n'), description(150, 'd'), group(50, 'g');
    const auto first = row("first");
    ASSERT_TRUE(updateDetails(*engine_, first, name, description, group).done());
    {
        const auto image = fileBytes();
        ImageReader in(image, static_cast<std::uint32_t>(first.offset));
        EXPECT_EQ(in.string(), name);
        EXPECT_EQ(in.u32(), 0u);
        EXPECT_EQ(in.string(), description);
        EXPECT_EQ(in.string(), group);
    }
    expectStoreMatchesFile();
    EXPECT_EQ(row(name).group, group);
    // "User-defined" is how the window shows no Group: the file holds none.
    ASSERT_TRUE(updateDetails(*engine_, row(name), name, description, "User-defined").done());
    {
        const auto image = fileBytes();
        ImageReader in(image, static_cast<std::uint32_t>(row(name).offset));
        in.string();
        in.u32();
        in.string();
        EXPECT_EQ(in.string(), "");
    }

    ASSERT_TRUE(replaceBody(*engine_, row("many"), body + "item301").done());
    const auto image = fileBytes();
    ImageReader in(image, static_cast<std::uint32_t>(row("many").offset));
    EXPECT_EQ(in.string(), "many");
    EXPECT_EQ(in.u32(), 1u); // the LIST marker
    EXPECT_EQ(image.substr(in.position() - 1, 4), std::string("\x2D\x01\x00\x00", 4)); // 301
    EXPECT_EQ(in.u32(), 301u);
    for (int i = 1; i <= 301; ++i)
        EXPECT_EQ(in.string(), "item" + std::to_string(i));
    expectStoreMatchesFile();
}

TEST_F(WriterTest, ALargestListIsTakenOneMoreItemAndTwoBodiesForOneRecordAreRefused) {
    load(threeCommands());
    std::string items;
    for (int i = 0; i < 65535; ++i)
        items += "i\r\n";
    ASSERT_TRUE(replaceBody(*engine_, row("colors"), items).done());
    const auto image = fileBytes();
    const auto colors = row("colors");
    const auto countAt = static_cast<std::size_t>(colors.offset) - 1 + 1 + 6 + 4; // name, marker
    EXPECT_EQ(image.substr(countAt, 4), std::string("\xFF\xFF\x00\x00", 4));
    EXPECT_EQ(replaceBody(*engine_, colors, items + "i").message,
              "A LIST holds at most 65,535 items");

    const auto first = row("first");
    EXPECT_EQ(replaceBodies(*engine_, {{first, "a"}, {first, "b"}}).message,
              "One record cannot take two new bodies at once");
    EXPECT_EQ(fileBytes(), image);
}

TEST_F(WriterTest, RefusalsLeaveTheFileAsItWas) {
    load(threeCommands());
    const auto before = fileBytes();
    auto refused = replaceBody(*engine_, row("first"), "smile \u263A");
    EXPECT_FALSE(refused.done());
    EXPECT_EQ(refused.message, "The body: The character \"\u263A\" (U+263A) cannot be stored in a "
                               "command file (code page Windows-1252)");
    EXPECT_EQ(updateDetails(*engine_, row("first"), std::string(151, 'n'), "", "").message,
              "The name is longer than 150 characters");
    EXPECT_EQ(updateDetails(*engine_, row("colors"), "tab\there", "", "").message,
              "A name cannot hold tabs, line breaks or other control characters");
    EXPECT_EQ(updateDetails(*engine_, row("first"), "x", "", std::string(51, 'g')).message,
              "The group is longer than 50 characters");
    UserRow stale = row("first");
    stale.offset += 1;
    EXPECT_EQ(replaceBody(*engine_, stale, "y").message,
              "The command file no longer matches the store: reload it first");
    EXPECT_EQ(fileBytes(), before);
    EXPECT_FALSE(std::filesystem::exists(home_.path("savedat")));
}

#ifndef _WIN32 // the other writer is a forked process
TEST_F(WriterTest, AWriteWaitsForAnotherProgramsWriteAndNeverOverwritesItsChange) {
    load(threeCommands());
    const auto before = fileBytes();
    engine_.emplace(EngineContext{home_.home(), home_.store(), trace_, files_, path_,
                                  std::chrono::milliseconds(200)});
    {
        // Another program is writing: this one waits its bound, then writes nothing.
        OtherWriter other(path_);
        ASSERT_TRUE(other.held());
        const auto refused = replaceBody(*engine_, row("first"), "y");
        EXPECT_FALSE(refused.done());
        EXPECT_TRUE(testing::contains(refused.message,
                                      "The command file is being changed by another program"));
        EXPECT_EQ(fileBytes(), before);
    }
    // Another program wrote between this one's read and its write: that change stays.
    ASSERT_TRUE(engine_->load());
    engine_->prepareRewrite(static_cast<std::uint32_t>(before.size()));
    const auto theirs = before + "their change";
    FileOps::system().replaceFile(path_, theirs);
    try {
        engine_->commitRewrite("Update1Body");
        ADD_FAILURE() << "written over another program's change";
    } catch (const FileError& error) {
        EXPECT_TRUE(testing::contains(std::string(error.what()),
                                      "another program changed it since it was read"));
    }
    EXPECT_EQ(fileBytes(), theirs);
    // Read again, the same write goes through.
    ASSERT_TRUE(engine_->load());
    engine_->prepareRewrite(static_cast<std::uint32_t>(before.size()));
    engine_->commitRewrite("Update1Body");
    EXPECT_EQ(fileBytes(), before);
    // The guarded write compares the bytes itself, whichever path leads to it.
    const std::string readEarlier = before + "read earlier";
    EXPECT_THROW(writeTarget(FileOps::system(), WriteTarget::edited(path_), "x", &readEarlier),
                 FileError);
    EXPECT_EQ(fileBytes(), before);
}
#endif

} // namespace qmk::testing
