#include "format/image_reader.h"
#include "store/statements.h"
#include "text_checks.h"
#include "writer/export_dat.h"
#include "writer/keys_to_script.h"
#include "writer/rebuilds.h"
#include "writer_fixture.h"

namespace qmk::testing {

using fixture::CommandFileBuilder;
using fixture::counted;
using layout::Generation;

namespace {

DuplicateQuestion answering(std::vector<DuplicateAnswer> answers, int* asked) {
    return [answers, asked](const DuplicateCommand&) mutable {
        ++*asked;
        const auto answer = answers.front();
        if (answers.size() > 1)
            answers.erase(answers.begin());
        return answer;
    };
}

std::vector<std::string> namesIn(TestHome& home, const std::filesystem::path& file) {
    EXPECT_TRUE(home.parse(file, true).ok());
    std::vector<std::string> names;
    for (const auto& row : home.rows())
        names.push_back(row.name + (row.type == ItemType::List ? " (L)" : ""));
    return names;
}

CommandFileBuilder source() {
    CommandFileBuilder file;
    file.command("pick <colors>").keys("1");
    file.command("paint <colors>").application("mspaint").keys("2");
    file.command("plain").keys("3");
    file.list("colors", {"red"});
    file.list("sizes", {"big"});
    return file;
}

} // namespace

TEST(DuplicateAnswers, AnAnswerToAllStandsForEveryLaterDuplicateAndNoQuestionKeepsTheTargets) {
    const DuplicateCommand command{"bold", "WINWORD", "Document1"};
    for (const auto first : {DuplicateAnswer::YesToAll, DuplicateAnswer::NoToAll}) {
        int asked = 0;
        const auto ask = answering({first, DuplicateAnswer::Yes}, &asked);
        DuplicateAnswers answers(ask);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(answers.answer(command), first);
        EXPECT_EQ(asked, 1);
    }
    int asked = 0;
    const auto ask = answering({DuplicateAnswer::Yes, DuplicateAnswer::No}, &asked);
    DuplicateAnswers oneByOne(ask);
    EXPECT_EQ(oneByOne.answer(command), DuplicateAnswer::Yes);
    EXPECT_EQ(oneByOne.answer(command), DuplicateAnswer::No);
    EXPECT_EQ(asked, 2);
    const DuplicateQuestion none;
    EXPECT_EQ(DuplicateAnswers(none).answer(command), DuplicateAnswer::No);
}

TEST_F(WriterTest, TheExportStoreKeysProgramsAsTheCommandStoreDoesAndLogsDuplicates) {
    load(source());
    CommandFileBuilder held;
    held.command("paint <colors>").application("MSPaint").keys("old");
    held.command("twice").keys("a");
    held.command("twice").keys("b");
    held.command("plain").application("Global Commands").keys("an application so named");
    held.list("colors", {"blue"});
    const auto target = home_.path("held.dat");
    held.write(target.string());

    int asked = 0;
    const auto result =
        exportCommands(*engine_, statements::selectAll(home_.store()), target, ExportMode::Append,
                       answering({DuplicateAnswer::Yes}, &asked));
    ASSERT_TRUE(result.result.done()) << result.result.message;
    EXPECT_EQ(asked, 1) << "only the Program that differs in case alone is the same";
    EXPECT_EQ(result.replaced, 1);
    EXPECT_EQ(result.exported, 3);
    EXPECT_EQ(result.lists, 0) << "the target holds colors already";
    EXPECT_EQ(namesIn(home_, target),
              (std::vector<std::string>{"twice", "twice", "plain", "pick <colors>",
                                        "paint <colors>", "plain", "colors (L)"}));
    const auto log = readBytes(home_.path("duplicate.log"));
    EXPECT_TRUE(testing::contains(
        log, "held.dat     twice        Global Commands Global Commands                  K "
             "twice"));
}

TEST_F(WriterTest, ExportRefusalsAndCancelsLeaveTheTargetAsItWas) {
    load(source());
    const auto target = home_.path("out.dat");
    ASSERT_TRUE(exportCommands(*engine_, statements::selectAll(home_.store()), target,
                               ExportMode::NewFile, {})
                    .result.done());
    const auto before = readBytes(target);
    int asked = 0;
    auto result =
        exportCommands(*engine_, statements::selectAll(home_.store()), target, ExportMode::Append,
                       answering({DuplicateAnswer::CancelExport}, &asked));
    EXPECT_EQ(result.result.code, Outcome::Code::Cancelled);
    EXPECT_EQ(readBytes(target), before);

    CommandFileBuilder other(CommandFileBuilder::versionCode(Generation::V8));
    other.command("x").keys("y");
    const auto older = home_.writeFile("older.dat", other.build());
    result = exportCommands(*engine_, statements::selectAll(home_.store()), older,
                            ExportMode::Append, {});
    EXPECT_EQ(result.result.message, "Can't Append to different version --Check .dat file");
    CommandFileBuilder french(7, 12);
    french.command("x").keys("y");
    const auto frenchFile = home_.writeFile("french.dat", french.build());
    result = exportCommands(*engine_, statements::selectAll(home_.store()), frenchFile,
                            ExportMode::Append, {});
    EXPECT_EQ(result.result.message,
              "Can't Append to different language version --Check .dat file(s)  Properties");

    // A command naming a LIST the file lacks: nothing is left behind.
    CommandFileBuilder missing;
    missing.command("open <nowhere>").keys("1");
    load(missing);
    const auto fresh = home_.path("fresh.dat");
    result = exportCommands(*engine_, statements::selectAll(home_.store()), fresh,
                            ExportMode::NewFile, {});
    EXPECT_EQ(result.result.message, "fatal Export not found LIST error");
    EXPECT_FALSE(std::filesystem::exists(fresh));
}

TEST_F(WriterTest, DvcConversionsConvertOnlyTheirKindOfKeyString) {
    CommandFileBuilder file(CommandFileBuilder::versionCode(Generation::V8));
    file.command("words").keys("hello world");
    file.command("save").keys("{Ctrl+s}");
    file.command("accent").keys("{Ctrl+\xe9}"); // é, as the file holds it
    file.command("half").keys("{only");
    file.command("bad").keys("{ab}{");
    file.command("unmarked").keys("{Ctrl+u}");
    load(file);

    auto plain = convertDvc(*engine_, testing::rowsWhere(home_.store(), "name <> 'unmarked'"),
                            WalkOperation::DvcToPlainText);
    ASSERT_TRUE(plain.result.done());
    ASSERT_TRUE(home_.parse(path_, true).ok());
    EXPECT_EQ(row("words").type, ItemType::PlainText);
    EXPECT_EQ(row("words").script, "hello world");
    EXPECT_EQ(row("half").type, ItemType::PlainText);
    EXPECT_EQ(row("save").type, ItemType::Keys);
    const auto log = readBytes(home_.path("ConvertKEYS2Plain.log"));
    EXPECT_EQ(log.substr(0, 66),
              "Changed DVC to Plain Text: Global Commands Global Commands words\r\n");
    // The record keeps its pre-body block and gains the graphic size 0 before its text.
    const auto words = row("words");
    const auto image = fileBytes();
    EXPECT_EQ(image.substr(static_cast<std::size_t>(words.offsetbody) - 10, 10),
              "\x01" + std::string(8, '\0') + std::string(1, '\0'));

    auto vba = convertDvc(*engine_, testing::rowsWhere(home_.store(), "name <> 'unmarked'"),
                          WalkOperation::DvcToSendKeys);
    ASSERT_TRUE(vba.result.done());
    EXPECT_TRUE(vba.notConverted); // "{ab}{" is refused by the SendKeys form
    ASSERT_TRUE(home_.parse(path_, true).ok());
    EXPECT_EQ(row("save").type, ItemType::AdvancedScript);
    EXPECT_EQ(row("save").script, "Sub Main\r\n\r\nSendKeys \"^s\", true\r\n\r\nEnd Sub");
    // The same key as the window converts it.
    EXPECT_EQ(row("accent").script, sendKeysScriptOfText("{Ctrl+\u00e9}"));
    EXPECT_EQ(row("accent").script, "Sub Main\r\n\r\nSendKeys \"^\u00e9\", true\r\n\r\nEnd Sub");
    EXPECT_EQ(row("unmarked").type, ItemType::Keys);
    EXPECT_EQ(row("bad").type, ItemType::Keys);
    const auto vbaLog = readBytes(home_.path("ConvertKEYS2Advanced.log"));
    EXPECT_TRUE(testing::contains(
        vbaLog, "Global Commands Global Commands bad\r\nKEYS:\r\n{ab}{\r\nThe following is not "
                "syntactically correct, and has not been converted. Please send to "
                "Tarnwell\r\n\r\n"));

    ASSERT_TRUE(convertDvc(*engine_, statements::selectAll(home_.store()),
                           WalkOperation::DvcToSendDragonKeys)
                    .result.done());
    ASSERT_TRUE(home_.parse(path_, true).ok());
    EXPECT_EQ(row("unmarked").script, "Sub Main\r\n\r\nSendDragonKeys \"{Ctrl+u}\"\r\n\r\nEnd Sub");
}

TEST_F(WriterTest, AnEncryptedKeysCommandIsNeverConverted) {
    CommandFileBuilder file;
    file.command("secret").encrypted(4, "k").keys("{Ctrl+q}");
    load(file);
    const auto before = fileBytes();
    ASSERT_TRUE(
        convertDvc(*engine_, statements::selectAll(home_.store()), WalkOperation::DvcToSendKeys)
            .result.done());
    EXPECT_EQ(fileBytes(), before);
    EXPECT_EQ(readBytes(home_.path("Quillmark.log")), "");
}

// A command keeps the LISTs its first 30 names call for, through a delete of another command and
// through an export; the 31st goes with the last command that names it.
TEST_F(WriterTest, ACommandKeepsTheListsOfItsFirstThirtyNames) {
    CommandFileBuilder file;
    std::string name = "say"; // within the store's width: one letter per LIST
    std::vector<std::string> expected;
    for (int i = 0; i <= 30; ++i) {
        const std::string list(1, static_cast<char>(i < 26 ? 'a' + i : '0' + i - 26));
        name += "<" + list + ">";
        file.list(list, {"x"});
        if (i < 30)
            expected.push_back(list + " (L)");
    }
    file.command(name).keys("k");
    file.command("other").keys("o");
    load(file);
    const auto target = home_.path("out.dat");
    ASSERT_TRUE(exportCommands(*engine_, rowsWhere(home_.store(), "name = '" + name + "'"), target,
                               ExportMode::NewFile, {})
                    .result.done());
    ASSERT_TRUE(deleteCommands(*engine_, rowsWhere(home_.store(), "name = 'other'")).done());
    for (const auto& written : {target, path_}) {
        auto names = namesIn(home_, written);
        names.erase(std::remove(names.begin(), names.end(), name), names.end());
        std::sort(names.begin(), names.end());
        auto sorted = expected;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(names, sorted) << written;
    }
}

} // namespace qmk::testing
