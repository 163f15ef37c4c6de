#include "format/file_properties.h"
#include "format/image_reader.h"
#include "format/record.h"
#include "generations.h"
#include "store/statements.h"
#include "text_checks.h"
#include "writer/rebuilds.h"
#include "writer_fixture.h"

#include <random>

namespace qmk::testing {

using fixture::CommandFileBuilder;
using fixture::counted;
using fixture::RecorderEvent;
using fixture::Step;
using layout::Generation;

namespace {

// A file of every record kind, made at random but for its header, which is the template's.
std::string randomFile(std::uint8_t versionCode, unsigned seed, bool withHidden = false) {
    std::mt19937 random(seed);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    CommandFileBuilder file(versionCode);
    const int commands = 5 + pick(20);
    for (int i = 0; i < commands; ++i) {
        auto& c = file.command("command " + std::to_string(i) + (pick(3) ? "" : " <colors>"));
        if (pick(2))
            c.listReferences(pick(3) ? std::vector<std::string>{}
                                     : std::vector<std::string>{"colors"});
        c.description(std::string(static_cast<std::size_t>(pick(300)), 'd'))
            .group(pick(2) ? "" : "Group " + std::to_string(pick(3)));
        switch (pick(3)) {
        case 0:
            break;
        case 1:
            c.application("prog" + std::to_string(pick(3)));
            break;
        default:
            c.window("prog", "Window " + std::to_string(pick(3)));
            break;
        }
        if (pick(2))
            c.states({"s" + std::to_string(pick(4)), "t"});
        if (versionCode == 7 && pick(5) == 0) // only 10.x holds encrypted commands
            c.encrypted(static_cast<std::uint8_t>(1 + pick(9)), "secret");
        switch (pick(8)) {
        case 0:
            c.keys(std::string(static_cast<std::size_t>(pick(600)), 'k'));
            break;
        case 1:
            c.script("s");
            break;
        case 2:
            c.advanced("Sub Main\r\nSendKeys \"x\"\r\nEnd Sub");
            break;
        case 3:
            c.plainText("plain");
            break;
        case 4:
            c.textAndGraphics(std::string(static_cast<std::size_t>(1 + pick(400)), 'g'), "t");
            break;
        case 5:
            c.recorder({RecorderEvent::key(65, 0), RecorderEvent::mouse(0, 1, 2)});
            break;
        case 6:
            c.steps({Step::press(65, 3), Step::open("a", "b", "c", 2), Step::wait(9)});
            break;
        default:
            c.unknownType(9);
            break;
        }
        if (withHidden && pick(6) == 0)
            c.notLoaded();
    }
    file.list("colors", {"red", "green"});
    file.list("unused", {});
    return file.build();
}

std::string listsSection(const std::string& image, std::int64_t offsetLists) {
    return image.substr(static_cast<std::size_t>(offsetLists) - 1);
}

} // namespace

class Rebuild : public WriterTest, public ::testing::WithParamInterface<testing::FileVersion> {
protected:
    void loadBytes(const std::string& bytes) {
        path_ = home_.writeFile("mycmds.dat", bytes);
        ASSERT_TRUE(home_.parse(path_, true).ok());
        engine_.emplace(EngineContext{home_.home(), home_.store(), trace_, files_, path_});
    }
};
INSTANTIATE_TEST_SUITE_P(Generations, Rebuild, everyGeneration(), GenerationName());

TEST_P(Rebuild, ARebuildThatChangesNothingReproducesTheFile) {
    for (unsigned seed = 1; seed <= 25; ++seed) {
        const auto original = randomFile(GetParam().code, seed * 7919u, seed % 3 == 0);
        loadBytes(original);
        const auto result = renameGroupsOrPrograms(*engine_, statements::selectAll(home_.store()),
                                                   {WalkOperation::Group, "No such group", "X"});
        ASSERT_TRUE(result.done()) << result.message;
        ASSERT_EQ(fileBytes(), original) << "seed " << seed;
        EXPECT_EQ(readBytes(home_.path("savedat")), original);
    }
}

TEST_P(Rebuild, RenamesChangeOnlyTheirStringsAndKeepTheListsSection) {
    CommandFileBuilder file(GetParam().code);
    file.command("global").keys("g");
    file.command("empty group").application("winword", "Word", "MS").keys("e");
    file.command("mail").group("Mail").window("winword", "Doc", "OpusApp", "Word", "MS").keys("m");
    file.list("colors", {"red"});
    loadBytes(file.build());
    const auto before = fileBytes();
    const auto lists = offsetLists();

    ASSERT_TRUE(renameGroupsOrPrograms(*engine_, statements::selectAll(home_.store()),
                                       {WalkOperation::Group, "User-defined", "Mine"})
                    .done());
    ASSERT_TRUE(home_.parse(path_, true).ok());
    EXPECT_EQ(row("global").group, "Mine");
    EXPECT_EQ(row("empty group", "WINWORD", "Application-specific").group, "Mine");
    EXPECT_EQ(row("mail", "WINWORD", "Doc").group, "Mail");

    ASSERT_TRUE(renameGroupsOrPrograms(*engine_,
                                       testing::rowsWhere(home_.store(), "name <> 'global'"),
                                       {WalkOperation::Group, "All groups", "User-defined"})
                    .done());
    ASSERT_TRUE(home_.parse(path_, true).ok());
    EXPECT_EQ(row("global").group, "Mine"); // not marked
    EXPECT_EQ(row("mail", "WINWORD", "Doc").group, "User-defined");

    const auto renamed = fileBytes();
    const auto renamedLists = offsetLists();
    ASSERT_TRUE(renameGroupsOrPrograms(*engine_, statements::selectAll(home_.store()),
                                       {WalkOperation::Program, {}, "excel"})
                    .done());
    const auto after = fileBytes();
    EXPECT_EQ(after.size(), renamed.size() - 4); // two program names, two bytes shorter each
    EXPECT_EQ(listsSection(after, renamedLists - 4), listsSection(before, lists));
    ASSERT_TRUE(home_.parse(path_, true).ok());
    EXPECT_EQ(row("global").program, "Global Commands");
    const auto mail = row("mail", "EXCEL", "Doc");
    EXPECT_EQ(mail.descriptionLength, 4);
    EXPECT_EQ(mail.companyNameLength, 2);
    EXPECT_EQ(readBytes(home_.path("writer.trace")).substr(0, 13), "RenameGroup  ");
}

TEST_F(WriterTest, FormatConversionsAdaptEveryRecordAndKeepTheListsSection) {
    CommandFileBuilder file(CommandFileBuilder::versionCode(Generation::V8));
    file.command("stateful").application("prog").states({"a", "b"}).keys("k");
    file.command("advanced").advanced("sendDragonKeys \"x\"\r\nSENDDRAGONKEYS \"y\"");
    file.list("colors", {"red"});
    load(file);
    const auto lists = listsSection(fileBytes(), offsetLists());
    const auto to7 = formatTarget("7.0");
    ASSERT_TRUE(convertFormat(*engine_, *to7).done());
    auto bytes = fileBytes();
    EXPECT_EQ(bytes[4], 5);
    ASSERT_TRUE(home_.parse(path_, true).ok());
    EXPECT_EQ(listsSection(bytes, offsetLists()), lists);
    EXPECT_EQ(row("stateful", "PROG", "Application-specific").states, "");
    // 7.x to 8.0 gives every record an empty states block.
    ASSERT_TRUE(convertFormat(*engine_, *formatTarget("8.0")).done());
    ASSERT_TRUE(home_.parse(path_, true).ok());
    const auto stateful = row("stateful", "PROG", "Application-specific");
    const auto image = fileBytes();
    ImageReader in(image, static_cast<std::uint32_t>(stateful.offsetbody) - 8 - 1 - 4);
    EXPECT_EQ(in.u32(), 0u);
    ASSERT_TRUE(convertFormat(*engine_, *formatTarget("6.0")).done());
    bytes = fileBytes();
    EXPECT_EQ(bytes[4], 3);
    ASSERT_TRUE(home_.parse(path_, true).ok());
    EXPECT_EQ(row("advanced").script, "SendKeys \"x\"\r\nSendKeys \"y\"");
    EXPECT_EQ(listsSection(bytes, offsetLists()), lists);
    EXPECT_EQ(readBytes(home_.path("writer.trace")),
              "convert270  \r\nconvert280  \r\nconvert260  \r\n");
}

// The 6.x conversions' rewrite of Advanced Scripts: 6.0 makes every SendDragonKeys a SendKeys,
// 6.1 makes every SendKeys a SendDragonKeys for a 6.x source only; in every record written,
// whatever its case, loaded or not.
TEST_F(WriterTest, TheSixConversionsRewriteSendKeysOneWayForEveryRecord) {
    struct Case {
        std::uint8_t source;
        const char* target;
        const char* body;
        const char* becomes;
    };
    const Case cases[] = {
        {6, "6.0", "sendDragonKeys \"x\"\r\nSendKeys \"y\"", "SendKeys \"x\"\r\nSendKeys \"y\""},
        {4, "6.0", "SENDDRAGONKEYS \"x\"", "SendKeys \"x\""},
        {6, "6.1", "SendKeys \"x\"", "SendKeys \"x\""},
        {3, "6.1", "sendkeys \"x\"\r\nSendDragonKeys \"y\"",
         "SendDragonKeys \"x\"\r\nSendDragonKeys \"y\""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.target) + " from version code " + std::to_string(c.source));
        CommandFileBuilder file(c.source);
        file.command("shown").advanced(c.body);
        file.command("hidden").notLoaded().advanced(c.body);
        load(file);
        ASSERT_TRUE(convertFormat(*engine_, *formatTarget(c.target)).done());
        const auto image = fileBytes();
        FileProperties properties;
        ASSERT_TRUE(decodeHeader(image, properties));
        ImageReader in(image, layout::kFirstRecordPosition);
        for (const char* name : {"shown", "hidden"}) {
            const auto record = readCommandRecord(in, properties.generation, KeyNames{});
            EXPECT_EQ(record.name, name);
            EXPECT_EQ(record.script, c.becomes) << name;
        }
    }
}

// Each conversion target writes its own version code into the header's fifth byte, stepping
// down from 10.x (a file without the blocks of a later format cannot go up).
TEST_F(WriterTest, EveryFormatTargetWritesItsVersionCode) {
    const std::pair<const char*, char> targets[] = {{"8.0", 6}, {"7.0", 5}, {"6.1", 4}, {"6.0", 3}};
    CommandFileBuilder file(CommandFileBuilder::versionCode(Generation::V10));
    file.command("plain").keys("k");
    load(file);
    for (const auto& [label, code] : targets) {
        const auto target = formatTarget(label);
        ASSERT_TRUE(target) << label;
        const auto converted = convertFormat(*engine_, *target);
        ASSERT_TRUE(converted.done()) << label << ": " << converted.message;
        EXPECT_EQ(fileBytes()[4], code) << label;
        ASSERT_TRUE(home_.parse(path_, true).ok());
    }
}

TEST_F(WriterTest, FormatConversionRefusalsLeaveTheFileUntouched) {
    CommandFileBuilder french(CommandFileBuilder::versionCode(Generation::V8), 12);
    french.command("x").keys("k");
    load(french);
    const auto before = fileBytes();
    auto refusal = formatConversionRefusal(*engine_, *formatTarget("6.1"));
    EXPECT_EQ(refusal->message, "There is no French version 6.1");
    EXPECT_EQ(refusal->title, "contact Tarnwell if this is reached in error");
    EXPECT_EQ(formatConversionRefusal(*engine_, *formatTarget("8.0"))->message,
              "Already in 8/9 format");
    EXPECT_FALSE(formatConversionRefusal(*engine_, *formatTarget("7.0")));

    CommandFileBuilder old(3);
    old.command("x").keys("k");
    load(old);
    EXPECT_TRUE(testing::contains(convertFormat(*engine_, *formatTarget("7.0")).message,
                                  "cannot be converted to 7.0"));
    CommandFileBuilder secret;
    secret.command("hidden body").encrypted(3, "key").keys("k");
    load(secret);
    EXPECT_EQ(convertFormat(*engine_, *formatTarget("8.0")).message,
              "The command \"hidden body\" is encrypted: a file holding encrypted commands cannot "
              "be converted to 8.0 format");
    EXPECT_FALSE(std::filesystem::exists(home_.path("savedat")));
}

TEST_F(WriterTest, ACorruptNameStopsARebuildBeforeAnythingIsWritten) {
    CommandFileBuilder file;
    file.command("fine").keys("1");
    file.command("broken").keys("2");
    load(file);
    auto image = fileBytes();
    image[image.find("broken") + 2] = '\t';
    home_.writeFile("mycmds.dat", image);
    const auto result = deleteCommands(*engine_, statements::selectAll(home_.store()));
    EXPECT_FALSE(result.done());
    EXPECT_EQ(result.message, "Parsing error-name = br\tken\r\nOffset = " +
                                  std::to_string(image.find("br\tken") + 1) +
                                  "\r\nLast command = fine");
    EXPECT_EQ(fileBytes(), image);
    EXPECT_EQ(home_.readFile("error.log").substr(0, 6), "br\tken");
}

} // namespace qmk::testing
