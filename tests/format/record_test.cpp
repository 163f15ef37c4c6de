#include "command_file_builder.h"
#include "format/image_reader.h"
#include "format/keynames.h"
#include "format/record.h"
#include "generations.h"
#include "store/parameters.h"
#include "test_home.h"

#include <gtest/gtest.h>
#include <map>

namespace qmk {

using fixture::CommandFileBuilder;
using layout::Generation;

namespace {

std::map<std::string, UserRow> byName(const std::vector<UserRow>& rows) {
    std::map<std::string, UserRow> named;
    for (const auto& row : rows)
        named[row.name] = row;
    return named;
}

std::string stateNames(Database& db, const std::string& ids) {
    std::string names;
    std::size_t start = 0;
    for (auto comma = ids.find(','); comma != std::string::npos; comma = ids.find(',', start)) {
        auto select = db.prepare("SELECT appname, statename FROM states WHERE ID = ?");
        select.bind(1, std::stoll(ids.substr(start, comma - start)));
        EXPECT_TRUE(select.step());
        names += select.text(0) + "/" + select.text(1) + ";";
        start = comma + 1;
    }
    return names;
}

// Where a row stands and what it is: Program | Scope | availability | Group | type.
std::string placeOf(const UserRow& row) {
    return row.program + " | " + row.scope + " | " + row.availability + " | " + row.group + " | " +
           letterOf(row.type);
}

// A counted string read back from the file at a stored position.
std::string stringAt(const std::string& image, std::int64_t position) {
    ImageReader in(image, static_cast<std::uint32_t>(position));
    return std::string(in.string());
}

} // namespace

class EveryGeneration : public ::testing::TestWithParam<testing::FileVersion> {
protected:
    bool hasStates() const { return GetParam() == Generation::V8 || GetParam() == Generation::V10; }
};

INSTANTIATE_TEST_SUITE_P(Generations, EveryGeneration, testing::everyGeneration(),
                         testing::GenerationName());

TEST_P(EveryGeneration, EveryFieldOfEveryRecordKindIsStored) {
    testing::TestHome home;
    CommandFileBuilder file(GetParam().code);
    file.command("open mail").description("opens mail").group("Mail").keys("{Ctrl+m}");
    file.command("bold <colors>")
        .listReferences({"colors"})
        .application("winword", "Microsoft Word", "Microsoft Corporation")
        .states({"Editing", "Reading"})
        .script("SendKeys \"{Ctrl+b}\"");
    file.command("sign letter")
        .window("winword", "Document1", "OpusApp", "Word", "MS")
        .states({"Editing"})
        .advanced("Sub Main\r\nEnd Sub");
    file.command("logo").group("Art").textAndGraphics(std::string(300, '\x7f'), "caf\xE9");
    file.command("address").plainText("1 Main St\r\nTown");
    file.command("sleepy").window("notepad", "Asleep").keys("x");
    file.list("colors", {"red", "green", "blue"});
    const auto image = file.build();
    const auto path = home.writeFile("mycmds.dat", image);

    ASSERT_TRUE(home.parse(path).ok());
    const auto rows = byName(home.rows());
    ASSERT_EQ(rows.size(), 7u);

    const auto& keys = rows.at("open mail");
    EXPECT_EQ(keys.filename, "mycmds.dat");
    EXPECT_EQ(placeOf(keys), "Global Commands | Global Commands | G | Mail | K");
    EXPECT_EQ(keys.description, "opens mail");
    EXPECT_EQ(keys.script, "{Ctrl+m}");
    EXPECT_EQ(keys.offset, 22);
    EXPECT_EQ(stringAt(image, keys.offset), "open mail");
    EXPECT_EQ(stringAt(image, keys.offsetbody), "{Ctrl+m}");
    EXPECT_TRUE(keys.global);
    EXPECT_EQ(keys.globalsort + keys.listsort + keys.pathcode, "GCU");
    EXPECT_EQ(keys.states, "");

    const auto& script = rows.at("bold <colors>");
    EXPECT_EQ(placeOf(script), "WINWORD | Application-specific | A | User-defined | S");
    EXPECT_EQ(script.lists, 1);
    EXPECT_EQ(script.descriptionLength, 14);
    EXPECT_EQ(script.companyNameLength, 21);
    EXPECT_EQ(script.classNameLength, 0);
    EXPECT_FALSE(script.global);
    EXPECT_EQ(script.globalsort, "N");
    EXPECT_EQ(stringAt(image, script.offsetbody), "SendKeys \"{Ctrl+b}\"");

    const auto& window = rows.at("sign letter");
    EXPECT_EQ(placeOf(window), "WINWORD | Document1 | W | User-defined | A");
    EXPECT_EQ(window.script, "Sub Main\r\nEnd Sub");
    EXPECT_EQ(window.descriptionLength, 4);
    EXPECT_EQ(window.companyNameLength, 2);
    EXPECT_EQ(window.classNameLength, 7);
    EXPECT_FALSE(window.sleeping);

    if (hasStates()) {
        // States are shared per program: "Editing" is one row for both commands.
        EXPECT_EQ(stateNames(home.store(), script.states), "winword/Editing;winword/Reading;");
        EXPECT_EQ(window.states.substr(0, window.states.find(',')),
                  script.states.substr(0, script.states.find(',')));
    } else {
        EXPECT_EQ(script.states, "");
    }

    const auto& graphic = rows.at("logo");
    EXPECT_EQ(placeOf(graphic), "Global Commands | Global Commands | G | Art | T");
    EXPECT_EQ(graphic.graphicsize, 300);
    EXPECT_EQ(graphic.script, "caf\u00E9");
    const auto& plain = rows.at("address");
    EXPECT_EQ(plain.type, ItemType::PlainText);
    EXPECT_EQ(plain.graphicsize, 0);
    EXPECT_EQ(image[static_cast<std::size_t>(plain.offsetbody) - 1], '\0');
    EXPECT_TRUE(rows.at("sleepy").sleeping);
    EXPECT_EQ(rows.at("sleepy").program, "NOTEPAD");

    const auto& list = rows.at("colors");
    EXPECT_EQ(placeOf(list), "Global Commands | Global Commands | G | Dragon | L");
    EXPECT_EQ(list.lists, 1);
    EXPECT_EQ(list.listsort, "L");
    EXPECT_EQ(list.description, "");
    EXPECT_EQ(list.offsetbody, 0);
    EXPECT_EQ(list.script, "red\r\ngreen\r\nblue\r\n");
    EXPECT_EQ(stringAt(image, list.offset), "colors");

    Parameters parameters(home.store());
    const auto listsAt = parameters.get(Parameters::Number::OffsetLists);
    EXPECT_EQ(static_cast<std::size_t>(listsAt), image.rfind(std::string("\x01\0\0\0\x06"
                                                                         "colors",
                                                                         9)) +
                                                     1);
    EXPECT_EQ(parameters.get(Parameters::Number::lastdvcID), keys.id);
    EXPECT_EQ(home.status.count, "6 /1");
}

TEST_P(EveryGeneration, EncryptionByteExistsOnlyInTenAndItsExtraStringIsSkipped) {
    testing::TestHome home;
    CommandFileBuilder file(GetParam().code);
    file.command("secret").encrypted(5, "cipher").advanced("XyZ");
    file.command("after").keys("k");
    const auto path = home.writeFile("mycmds.dat", file.build());
    ASSERT_TRUE(home.parse(path).ok());
    const auto rows = byName(home.rows());
    EXPECT_EQ(rows.at("secret").encrypted, GetParam() == Generation::V10);
    EXPECT_EQ(rows.at("secret").script, "XyZ");
    EXPECT_EQ(rows.at("after").script, "k");
}

TEST(CommandFile, CountsAreReadFromTheirLowBytesOnly) {
    testing::TestHome home;
    CommandFileBuilder file;
    // 256 stored as the reference count reads as 0: no reference strings follow.
    file.command("odd refs").listReferences({}, 256).keys("x");
    file.rawList({"big", {}, 65536}); // item count 65536 reads as 0
    file.list("after", {"a"});
    const auto path = home.writeFile("mycmds.dat", file.build());
    ASSERT_TRUE(home.parse(path).ok());
    const auto rows = byName(home.rows());
    EXPECT_EQ(rows.at("odd refs").lists, 0);
    EXPECT_EQ(rows.at("big").script, "");
    EXPECT_EQ(rows.at("after").script, "a\r\n");
}

TEST(CommandFile, AnUnknownVersionCodeIsNotACommandFile) {
    testing::TestHome home;
    for (const std::uint8_t code :
         {std::uint8_t{0}, std::uint8_t{2}, std::uint8_t{8}, std::uint8_t{9}, std::uint8_t{255}}) {
        CommandFileBuilder file(code);
        file.command("plain").application("prog").keys("k");
        const auto result = home.parse(home.writeFile("odd.dat", file.build()), true);
        EXPECT_EQ(result.status, ParseStatus::NotACommandFile) << int{code};
        EXPECT_EQ(result.message, "This is not a command file: its header names no format of "
                                  "Dragon's (version code " +
                                      std::to_string(code) + ")");
        EXPECT_TRUE(home.rows().empty());
    }
    // The known codes, 3 to 7, are the five generations.
    for (const int code : {3, 4, 5, 6, 7}) {
        CommandFileBuilder file(static_cast<std::uint8_t>(code));
        file.command("plain").keys("k");
        EXPECT_TRUE(home.parse(home.writeFile("known.dat", file.build()), true).ok()) << code;
    }
}

TEST(CommandFile, UnknownTypeBytesAndOddAvailabilityStillFrameTheNextRecord) {
    testing::TestHome home;
    CommandFileBuilder file;
    file.command("mystery").unknownType(9);
    file.command("nowhere").availability(5).keys("n");
    file.command("next").keys("k");
    ASSERT_TRUE(home.parse(home.writeFile("mycmds.dat", file.build())).ok());
    const auto rows = byName(home.rows());
    EXPECT_EQ(letterOf(rows.at("mystery").type) + rows.at("mystery").script, "");
    EXPECT_EQ(rows.at("nowhere").availability + rows.at("nowhere").program, "");
    EXPECT_EQ(rows.at("next").script, "k");
}

TEST(CommandFileTables, EveryTypeByteHasItsLetterAndEveryLetterItsName) {
    const struct {
        std::uint8_t typeByte;
        std::uint32_t graphicSize;
        const char* letter;
        const char* name;
    } types[] = {
        {1, 0, "P", "Plain Text"},   {1, 1, "T", "Text & Graphics"}, {2, 0, "R", "Macro Recorder"},
        {3, 0, "X", "Step by Step"}, {4, 0, "A", "Advanced Script"}, {16, 0, "S", "SCRIPT"},
        {17, 0, "K", "KEYS"},
    };
    for (const auto& t : types) {
        const auto type = itemTypeOf(t.typeByte, t.graphicSize);
        EXPECT_EQ(letterOf(type), t.letter) << int{t.typeByte};
        EXPECT_EQ(itemTypeOfLetter(t.letter), type) << t.letter;
        EXPECT_EQ(typeDisplayName(type), t.name) << t.letter;
    }
    EXPECT_EQ(typeDisplayName(ItemType::List), "LIST");
    EXPECT_EQ(itemTypeOfLetter("L"), ItemType::List);
    for (const int unknown : {0, 5, 15, 18, 255})
        EXPECT_EQ(itemTypeOf(static_cast<std::uint8_t>(unknown), 0), ItemType::None) << unknown;
    for (const char* other : {"Q", "", "KK", "k"})
        EXPECT_EQ(itemTypeOfLetter(other), ItemType::None) << other;
    EXPECT_EQ(typeDisplayName(ItemType::None), "");
}

TEST(CommandFileTables, VersionCodesAndLanguageCodes) {
    const struct {
        std::uint8_t code;
        const char* text;
        const char* label;
        layout::Generation generation;
    } versions[] = {
        {3, "6.0", "6.0", layout::Generation::V6},    {4, "6.1", "6.1", layout::Generation::V6},
        {5, "7.0", "7.x", layout::Generation::V7},    {6, "8.0", "8/9", layout::Generation::V8},
        {7, "10.0", "10.x", layout::Generation::V10},
    };
    for (const auto& v : versions) {
        const auto* found = layout::findGeneration(v.code);
        ASSERT_NE(found, nullptr) << int{v.code};
        EXPECT_EQ(found->versionText, v.text);
        EXPECT_EQ(found->label, v.label);
        EXPECT_EQ(found->generation, v.generation);
    }
    for (const int unknown : {0, 2, 8, 255})
        EXPECT_EQ(layout::findGeneration(static_cast<std::uint8_t>(unknown)), nullptr) << unknown;

    // Which optional blocks each generation's records carry: reserved, states, encryption byte,
    // pre-body block.
    const std::pair<layout::Generation, std::array<bool, 4>> blocks[] = {
        {layout::Generation::V6, {false, false, false, false}},
        {layout::Generation::V7, {true, false, false, true}},
        {layout::Generation::V8, {true, true, false, true}},
        {layout::Generation::V10, {true, true, true, true}},
    };
    for (const auto& [generation, expected] : blocks) {
        const auto fields = layout::recordLayout(generation);
        EXPECT_EQ((std::array<bool, 4>{fields.reservedBlock, fields.statesBlock,
                                       fields.encryptionByte, fields.preBodyBlock}),
                  expected);
    }

    const std::pair<std::uint8_t, const char*> languages[] = {
        {9, "English"}, {7, "German"},  {10, "Spanish"}, {12, "French"},  {19, "Dutch"},
        {0, "Unknown"}, {8, "Unknown"}, {18, "Unknown"}, {255, "Unknown"}};
    for (const auto& [code, name] : languages)
        EXPECT_EQ(layout::languageName(code), name) << int{code};
}

} // namespace qmk
