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

TEST_F(WriterTest, ABodyCrossingAPrefixWidthShiftsEveryLaterPosition) {
    load(threeCommands());
    const auto before = fileBytes();
    const auto second = row("second", "PROG", "Application-specific");
    ASSERT_TRUE(replaceBody(*engine_, row("first"), std::string(255, 'b')).ok);
    const auto after = fileBytes();
    EXPECT_EQ(after.size(), before.size() + 3);
    EXPECT_EQ(readBytes(home_.path("savedat")), before);
    EXPECT_EQ(readBytes(home_.path("mycmds.Quillmark")), after);
    EXPECT_EQ(row("second", "PROG", "Application-specific").offset, second.offset + 3);
    const auto body = row("first").offsetbody;
    EXPECT_EQ(after.substr(static_cast<std::size_t>(body) - 1, 3), std::string("\xFF\xFF\x00", 3));
    expectStoreMatchesFile();

    ASSERT_TRUE(replaceBody(*engine_, row("first"), std::string(65534, 'c')).ok);
    const auto wide = fileBytes().size();
    ASSERT_TRUE(replaceBody(*engine_, row("first"), std::string(65533, 'c')).ok);
    EXPECT_EQ(fileBytes().size(), wide - 5);
    expectStoreMatchesFile();
    const auto trace = readBytes(home_.path("writer.trace"));
    EXPECT_EQ(trace, "Update1Body  \r\nUpdate1Body  \r\nUpdate1Body  \r\n");
}

TEST_F(WriterTest, PlainTextKeepsOneZeroByteAndTheListCountStays) {
    CommandFileBuilder file;
    file.command("only").plainText("old text");
    load(file);
    ASSERT_TRUE(replaceBody(*engine_, row("only"), "new\r\ntext").ok);
    const auto bytes = fileBytes();
    const auto at = static_cast<std::size_t>(row("only").offsetbody) - 1;
    EXPECT_EQ(bytes.substr(at), std::string("\x00\x09new\r\ntext\x00\x00\x00\x00", 15));
    expectStoreMatchesFile();
}

TEST_F(WriterTest, ListItemsAreTrimmedAndCountedAndCopiesStayAway) {
    load(threeCommands());
    UserRow copy = row("colors");
    copy.program = "PROG";
    copy.listcopy = true;
    UserTable(home_.store()).add(copy); // a LIST copy for display keeps its own offset
    ASSERT_TRUE(replaceBody(*engine_, row("colors"), "red\r\ngreen\r\nblue \t\r\n\r\n\r\n").ok);
    const auto colors = row("colors");
    const auto image = fileBytes();
    ImageReader in(image, static_cast<std::uint32_t>(colors.offset));
    in.string();
    EXPECT_EQ(in.u32(), 1u);
    EXPECT_EQ(in.u32(), 3u);
    EXPECT_EQ(in.string(), "red");
    in.string();
    EXPECT_EQ(in.string(), "blue \t"); // blanks and tabs before the last line break stay
    EXPECT_EQ(colors.offsetbody, 0);
    EXPECT_EQ(row("colors", "PROG").offset, copy.offset);
    home_.rows(); // the copy survives the parse below
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
    ASSERT_TRUE(updateDetails(*engine_, first, name, description, group).ok);
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

    ASSERT_TRUE(replaceBody(*engine_, row("many"), body + "item301").ok);
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
    ASSERT_TRUE(replaceBody(*engine_, row("colors"), items).ok);
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

TEST_F(WriterTest, RenamingAListChangesOnlyItsName) {
    load(threeCommands());
    const auto before = fileBytes();
    const auto colors = row("colors");
    ASSERT_TRUE(updateDetails(*engine_, colors, "colours", "", "").ok);
    const auto after = fileBytes();
    ASSERT_EQ(after.size(), before.size() + 1);
    const auto at = static_cast<std::size_t>(colors.offset) - 1;
    EXPECT_EQ(after.substr(0, at), before.substr(0, at));
    EXPECT_EQ(after.substr(at, 8), "\x07"
                                   "colours");
    EXPECT_EQ(after.substr(at + 8), before.substr(at + 7));
    expectStoreMatchesFile();
}

TEST_F(WriterTest, FirstThingsRewriteNameReferencesDescriptionAndGroup) {
    load(threeCommands());
    const auto second = row("second", "PROG", "Application-specific");
    ASSERT_TRUE(
        updateDetails(*engine_, second, "say <colors> and <sizes>", "described", "User-defined")
            .ok);
    const auto edited = second; // the record stays where it was
    const auto image = fileBytes();
    ImageReader in(image, static_cast<std::uint32_t>(edited.offset));
    EXPECT_EQ(in.string(), "say <colors> and <sizes>");
    EXPECT_EQ(in.u32(), 2u);
    EXPECT_EQ(in.string(), "colors");
    EXPECT_EQ(in.string(), "sizes");
    EXPECT_EQ(in.string(), "described");
    EXPECT_EQ(in.string(), ""); // "User-defined" is the empty group
    expectStoreMatchesFile();
    EXPECT_EQ(row("say <colors> and <sizes>", "PROG", "Application-specific").lists, 2);
}

class ChangeType : public WriterTest, public ::testing::WithParamInterface<testing::FileVersion> {};
INSTANTIATE_TEST_SUITE_P(Generations, ChangeType, testing::everyGeneration(),
                         testing::GenerationName());

TEST_P(ChangeType, KeysBecomePlainTextWithTheKeyStringAsText) {
    CommandFileBuilder file(GetParam().code);
    file.command("type it").keys("hello");
    file.command("after").script("s");
    load(file);
    ASSERT_TRUE(changeType(*engine_, row("type it"), Conversion::ToPlainText).ok);
    const auto converted = row("type it");
    const auto bytes = fileBytes();
    const auto fields = layout::recordLayout(GetParam());
    const std::size_t typeAt = static_cast<std::size_t>(converted.offset) - 1 + 8 + 4 + 1 + 1 + 1 +
                               (fields.reservedBlock ? 12 : 0) + (fields.statesBlock ? 4 : 0);
    std::string expected(1, '\x01');
    if (fields.encryptionByte)
        expected += '\0';
    if (fields.preBodyBlock)
        expected += std::string(8, '\0');
    expected += std::string("\x00\x05hello", 7);
    EXPECT_EQ(bytes.substr(typeAt, expected.size()), expected);
    expectStoreMatchesFile();
    EXPECT_EQ(row("type it").type, "P");
    EXPECT_EQ(row("type it").script, "hello");
}

TEST_P(ChangeType, ScriptsBecomeAdvancedScriptsByTheirTypeByteAlone) {
    CommandFileBuilder file(GetParam().code);
    file.command("run").script("Sub Main\r\nEnd Sub\r\n");
    load(file);
    const auto before = fileBytes();
    ASSERT_TRUE(changeType(*engine_, row("run"), Conversion::ToAdvancedScript).ok);
    const auto after = fileBytes();
    ASSERT_EQ(after.size(), before.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < after.size(); ++i)
        differing += after[i] != before[i];
    EXPECT_EQ(differing, 1u);
    EXPECT_EQ(row("run").type, "S"); // until the file is parsed again
    expectStoreMatchesFile();
    EXPECT_EQ(row("run").type, "A");
}

TEST_F(WriterTest, ARecordTheStoreDoesNotHoldIsKeptByEveryEdit) {
    CommandFileBuilder file;
    file.command("shown").keys("1");
    file.command("hidden").notLoaded().keys("2");
    file.command("too long for the store").application(std::string(30, 'p')).keys("3");
    file.command("last").keys("4");
    load(file);
    home_.prompt.shown.clear();
    ASSERT_TRUE(replaceBody(*engine_, row("shown"), "one").ok);
    const auto bytes = fileBytes();
    EXPECT_TRUE(testing::contains(bytes, "\x06hidden"));
    EXPECT_TRUE(testing::contains(bytes, "too long for the store"));
    expectStoreMatchesFile();
}

TEST_F(WriterTest, RefusalsLeaveTheFileAsItWas) {
    load(threeCommands());
    const auto before = fileBytes();
    auto refused = replaceBody(*engine_, row("first"), "smile \u263A");
    EXPECT_FALSE(refused.ok);
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
        EXPECT_FALSE(refused.ok);
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
