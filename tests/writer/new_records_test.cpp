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
    c.type = itemTypeOfLetter(type);
    c.body = std::move(body);
    c.program = "Global Commands";
    c.scope = "Global Commands";
    c.group = "User-defined";
    return c;
}
} // namespace

TEST_F(WriterTest, ANewListIsAppendedWithItsItemsAndTheListCountRaised) {
    CommandFileBuilder file;
    file.command("existing").keys("x");
    file.list("colors", {"red"});
    load(file);
    const auto before = fileBytes();
    ASSERT_TRUE(addListRecord(*engine_, "fruit", "apple\r\npear \r\n\r\n\r\n").done());
    const std::string record = counted("fruit") + std::string("\x01\0\0\0\x02\0\0\0", 8) +
                               counted("apple") + counted("pear ");
    auto after = fileBytes();
    EXPECT_EQ(after.size(), before.size() + record.size());
    EXPECT_EQ(after.substr(before.size()), record);
    EXPECT_EQ(static_cast<unsigned char>(after[static_cast<std::size_t>(offsetLists()) - 1]), 2);
    EXPECT_EQ(after.substr(0, 21), before.substr(0, 21)); // the command count stays

    ASSERT_TRUE(addListRecord(*engine_, "one", "single").done());
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
    ASSERT_TRUE(addListRecord(*engine_, "sizes", "big").done());
    EXPECT_TRUE(fileBytes().ends_with(trailing));
    expectStoreMatchesFile();
    EXPECT_TRUE(findRow(home_.store(), "Global Commands", "Global Commands", "sizes"));
}

} // namespace qmk::testing
