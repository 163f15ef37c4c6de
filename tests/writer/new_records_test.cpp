#include "format/image_reader.h"
#include "writer/new_records.h"
#include "writer/record_edits.h"
#include "writer_fixture.h"

namespace qmk::testing {

using fixture::CommandFileBuilder;
using fixture::counted;
using layout::Generation;

namespace {
NewCommand command(std::string name, std::string type, std::string body) {
    NewCommand c;
    c.name = std::move(name);
    c.type = std::move(type);
    c.body = std::move(body);
    c.program = "Global Commands";
    c.scope = "Global Commands";
    c.group = "User-defined";
    return c;
}
} // namespace

TEST_F(WriterTest, ANewGlobalCommandIsSplicedBeforeTheListsSection) {
    CommandFileBuilder file;
    file.command("existing").keys("x");
    file.list("colors", {"red"});
    load(file);
    const auto before = fileBytes();
    const auto listsAt = static_cast<std::size_t>(offsetLists());
    ASSERT_TRUE(addCommandRecord(*engine_, command("say hi", "K", "hi")).ok);

    const std::string record = counted("say hi") + std::string(4, '\0') + counted("") +
                               counted("") + std::string(1, '\0') + std::string(12, '\0') +
                               std::string(4, '\0') + "\x11" + std::string(1, '\0') +
                               std::string(8, '\0') + counted("hi");
    const auto after = fileBytes();
    EXPECT_EQ(after.size(), before.size() + record.size());
    EXPECT_EQ(after.substr(listsAt - 1, record.size()), record);
    EXPECT_EQ(after.substr(listsAt - 1 + record.size()), before.substr(listsAt - 1));
    EXPECT_EQ(static_cast<unsigned char>(after[17]), 2); // the command count
    EXPECT_EQ(readBytes(home_.path("command.new")), record);
    EXPECT_EQ(row("say hi").offset, static_cast<std::int64_t>(listsAt));
    EXPECT_EQ(after.substr(listsAt - 1 + record.size(), 4), std::string("\x01\0\0\0", 4));
    expectStoreMatchesFile();
    EXPECT_EQ(readBytes(home_.path("writer.trace")), "update new command file  \r\n");
}

TEST_F(WriterTest, ApplicationAndWindowCommandsCarryTheirIdentification) {
    CommandFileBuilder file(CommandFileBuilder::versionCode(Generation::V8));
    file.command("model").window("winword", "Doc", "OpusApp", "Word", "MS").keys("x");
    file.list("colors", {"red"});
    file.list("sizes", {"big"});
    load(file);
    NewCommand app = command("pick <colors> <sizes>", "P", "text");
    app.program = "WINWORD";
    app.scope = "Application-specific";
    app.programName = "winword";
    app.programDescription = "Word";
    app.companyName = "MS";
    app.description = "d";
    app.group = "Mine";
    const auto listsAt = static_cast<std::size_t>(offsetLists());
    ASSERT_TRUE(addCommandRecord(*engine_, app).ok);
    const std::string expected =
        counted("pick <colors> <sizes>") + std::string("\x02\0\0\0", 4) + counted("colors") +
        counted("sizes") + counted("d") + counted("Mine") + "\x01" + std::string(12, '\0') +
        counted("winword") + counted("Word") + counted("MS") + std::string(4, '\0') + "\x01" +
        std::string(8, '\0') + std::string(1, '\0') + counted("text");
    EXPECT_EQ(fileBytes().substr(listsAt - 1, expected.size()), expected);

    NewCommand window = app;
    window.name = "in window";
    window.scope = "Doc";
    window.windowClass = "OpusApp";
    window.type = "A";
    ASSERT_TRUE(addCommandRecord(*engine_, window).ok);
    const auto added = row("in window", "WINWORD", "Doc");
    const auto image = fileBytes();
    ImageReader in(image, static_cast<std::uint32_t>(added.offset));
    in.string();
    in.skip(4);
    in.string();
    in.string();
    EXPECT_EQ(in.byte(), 2);
    in.skip(12);
    for (const char* text : {"winword", "Word", "MS", "Doc", "OpusApp"})
        EXPECT_EQ(in.string(), text);
    expectStoreMatchesFile();
    EXPECT_EQ(row("pick <colors> <sizes>", "WINWORD", "Application-specific").type, "P");
}

TEST_F(WriterTest, ANewListIsAppendedWithItsItemsAndTheListCountRaised) {
    CommandFileBuilder file;
    file.command("existing").keys("x");
    file.list("colors", {"red"});
    load(file);
    const auto before = fileBytes();
    ASSERT_TRUE(addListRecord(*engine_, "fruit", "apple\r\npear \r\n\r\n\r\n").ok);
    const std::string record = counted("fruit") + std::string("\x01\0\0\0\x02\0\0\0", 8) +
                               counted("apple") + counted("pear ");
    auto after = fileBytes();
    EXPECT_EQ(after.size(), before.size() + record.size());
    EXPECT_EQ(after.substr(before.size()), record);
    EXPECT_EQ(static_cast<unsigned char>(after[static_cast<std::size_t>(offsetLists()) - 1]), 2);
    EXPECT_EQ(after.substr(0, 21), before.substr(0, 21)); // the command count stays

    ASSERT_TRUE(addListRecord(*engine_, "one", "single").ok);
    after = fileBytes();
    EXPECT_EQ(after.substr(after.size() - 19),
              counted("one") + std::string("\x01\0\0\0\x01\0\0\0", 8) + counted("single"));
    expectStoreMatchesFile();
    EXPECT_EQ(row("fruit").script, "apple\r\npear \r\n");
    EXPECT_EQ(readBytes(home_.path("writer.trace")), "update new list  \r\nupdate new list  \r\n");
}

TEST_F(WriterTest, CountsThatReadersWouldWrapAreRefused) {
    CommandFileBuilder file;
    file.command("a").keys("x");
    load(file);
    // Readers keep the low 16 bits: a 65,536th command or LIST would read as none.
    auto image = fileBytes();
    image[17] = '\xff';
    image[18] = '\xff';
    home_.writeFile("mycmds.dat", image);
    EXPECT_EQ(addCommandRecord(*engine_, command("b", "K", "y")).message,
              "A command file holds at most 65,535 commands");
    std::string items;
    for (int i = 0; i < 65536; ++i)
        items += "i\r\n";
    EXPECT_EQ(addListRecord(*engine_, "many", items).message, "A LIST holds at most 65,535 items");
    EXPECT_EQ(fileBytes(), image);
}

} // namespace qmk::testing

namespace qmk::testing {

// Found by the writer fuzz target: each of these once wrote a file that did not parse again.
TEST_F(WriterTest, WritersRefuseBodiesTheyCannotFrameAndKeepBytesAfterTheLists) {
    CommandFileBuilder file;
    file.command("odd").unknownType(9);
    file.command("recorded").recorder({fixture::RecorderEvent::key(65, 0)});
    file.command("keys").keys("{Enter}");
    file.list("colors", {"red"});
    const std::string trailing("\x07trailer", 8);
    path_ = home_.writeFile("mycmds.dat", file.build() + trailing);
    ASSERT_TRUE(home_.parse(path_, true).ok());
    engine_.emplace(EngineContext{home_.home(), home_.store(), trace_, files_, path_});
    const auto before = fileBytes();

    EXPECT_EQ(replaceBody(*engine_, row("odd"), "x").message,
              "The body of this command cannot be edited");
    for (const auto conversion : {Conversion::ToPlainText, Conversion::ToAdvancedScript})
        EXPECT_EQ(changeType(*engine_, row("recorded"), conversion).message,
                  "Only a KEYS or script command can be converted");
    EXPECT_EQ(fileBytes(), before);

    // A new LIST goes after the last LIST, where readers look for it; the bytes after stay.
    ASSERT_TRUE(addListRecord(*engine_, "sizes", "big").ok);
    EXPECT_TRUE(fileBytes().ends_with(trailing));
    expectStoreMatchesFile();
    EXPECT_TRUE(findRow(home_.store(), "Global Commands", "Global Commands", "sizes"));
}

} // namespace qmk::testing
