#include "actions/edit_rules.h"
#include "actions/record_actions.h"
#include "command_file_builder.h"
#include "common/text.h"
#include "failing_files.h"
#include "test_home.h"

#include <gtest/gtest.h>

namespace qmk {

namespace {

class RecordActionsTest : public ::testing::Test {
protected:
    RecordActionsTest() {
        fixture::CommandFileBuilder file;
        file.command("open mail").group("Mail").keys("{Ctrl+m}");
        file.command("letterhead").textAndGraphics("{\\rtf1 x}", "x");
        file.command("vendor macro").encrypted(3, "key").advanced("\x8f\x12");
        file.command("uses <colors>").keys("x");
        file.list("colors", {"red", "blue"});
        path_ = home_.writeFile("mycmds.dat", file.build());
        EXPECT_TRUE(home_.parse(path_).ok());
    }

    actions::OperationContext session(UpdateEngine& engine) {
        return {home_.store(),
                engine,
                home_.prompt,
                home_.home(),
                path_,
                false,
                "English",
                {},
                [] { return false; },
                [this] { ++archives_; },
                {},
                {}};
    }

    UserRow row(const std::string& name) {
        const std::string global(kGlobalCommands);
        return findRow(home_.store(), global, global, name).value();
    }

    testing::TestHome home_;
    std::filesystem::path path_;
    int archives_ = 0;
};

} // namespace

TEST_F(RecordActionsTest, AKeysCommandBecomesAScriptInOneEditWhateverStepFails) {
    const auto before = testing::readBytes(path_);
    // Every step of the two writes fails in turn: the file is the old one or wholly converted,
    // and the backup is always the file from before the edit.
    for (int failAt = 0;; ++failAt) {
        SCOPED_TRACE(failAt);
        home_.writeFile("mycmds.dat", before);
        ASSERT_TRUE(home_.parse(path_, true).ok());
        testing::FailingAtStep files;
        files.failAt = failAt;
        UpdateEngine engine({home_.home(), home_.store(), home_.trace(), files, path_});
        const auto outcome =
            actions::convertKeys(session(engine), row("open mail"), Conversion::ToAdvancedScript);
        if (outcome.done()) {
            ASSERT_TRUE(home_.parse(path_, true).ok());
            const auto converted = row("open mail");
            EXPECT_EQ(converted.type, ItemType::AdvancedScript);
            EXPECT_EQ(converted.script, "Sub Main\r\n\r\nSendKeys \"^m\", true\r\n\r\nEnd Sub\r\n");
            // Only the last step, keeping the backup, may fail once the edit is made.
            EXPECT_EQ(files.failed, !outcome.followUp.empty());
            if (!files.failed) {
                EXPECT_EQ(testing::readBytes(home_.path("savedat")), before);
                EXPECT_GE(failAt, 4); // two commits of at least two steps each were made
                break;
            }
            continue;
        }
        EXPECT_EQ(outcome.code, Outcome::Code::Failed);
        EXPECT_EQ(testing::readBytes(path_), before);
    }
}

TEST_F(RecordActionsTest, ReadOnlyAndEncryptedBodiesAreRefusedAndNothingIsWritten) {
    const auto before = testing::readBytes(path_);
    FileOps files;
    UpdateEngine engine({home_.home(), home_.store(), home_.trace(), files, path_});
    const auto refused = [&](const std::string& name, const std::string& message) {
        const auto outcome = actions::saveItem(session(engine), row(name), {"new", {}, {}, {}});
        EXPECT_EQ(outcome.code, Outcome::Code::Refused) << name;
        EXPECT_EQ(outcome.message, message);
    };
    refused("letterhead", "The body of this command cannot be edited");
    refused("vendor macro", "This command has been encrypted, and cannot be edited");
    EXPECT_EQ(actions::saveItem(session(engine), row("open mail"), {"", {}, {}, {}}).message,
              "Empty content not allowed");
    EXPECT_EQ(
        actions::convertKeys(session(engine), row("letterhead"), Conversion::ToPlainText).message,
        "Only a KEYS command without { can become Plain Text");
    EXPECT_EQ(testing::readBytes(path_), before);
    EXPECT_EQ(archives_, 0);
    EXPECT_EQ(actions::saveItem(session(engine), row("colors"), {{}, {}, "Shades", {}}).message,
              "A LIST has no description or group");
    // A description is not the body: a Text and Graphics command takes one.
    EXPECT_TRUE(
        actions::saveItem(session(engine), row("letterhead"), {{}, {}, "Polite", {}}).done());
    EXPECT_EQ(archives_, 1);
}

TEST_F(RecordActionsTest, RenamesKeepTheListNameRulesAskAboutUsersAndArchiveFirst) {
    FileOps files;
    UpdateEngine engine({home_.home(), home_.store(), home_.trace(), files, path_});
    const auto before = testing::readBytes(path_);
    auto outcome = actions::renameItem(session(engine), row("colors"), "Colours");
    EXPECT_EQ(outcome.message, "Only numbers, letters and _-. are allowed by Dragon in LIST names");
    outcome = actions::renameItem(session(engine), row("open mail"), "uses <colors>");
    EXPECT_EQ(outcome.message, "uses <colors> already exists");
    home_.prompt.answers = {Prompt::Answer::No};
    EXPECT_EQ(actions::renameItem(session(engine), row("colors"), "hues").code,
              Outcome::Code::Cancelled);
    EXPECT_EQ(testing::readBytes(path_), before);
    EXPECT_EQ(archives_, 0);
    EXPECT_TRUE(actions::renameItem(session(engine), row("colors"), "hues").done());
    EXPECT_EQ(archives_, 1);
    ASSERT_TRUE(home_.parse(path_, true).ok());
    EXPECT_EQ(row("hues").type, ItemType::List);
}

// Which bodies may be edited, type by type.
TEST(RecordRules, OnlyStringBodiesAndListsMayBeEdited) {
    const std::tuple<const char*, bool, const char*> types[] = {
        {"K", true, ""},
        {"S", true, ""},
        {"A", true, ""},
        {"P", true, ""},
        {"L", true, ""},
        {"T", false, "Text & Graphics"},
        {"R", false, "Macro Recorder"},
        {"X", false, "Step by Step"},
    };
    for (const auto& [type, editable, name] : types) {
        UserRow row;
        row.type = itemTypeOfLetter(type);
        row.name = "a command";
        const auto refusal = actions::readOnlyRefusal(row);
        EXPECT_EQ(!refusal, editable) << type;
        if (refusal) {
            EXPECT_EQ(refusal->message, "The body of this command cannot be edited");
            EXPECT_EQ(refusal->title, name);
        }
    }
    UserRow locked;
    locked.type = ItemType::AdvancedScript;
    locked.name = "secret";
    locked.encrypted = true;
    EXPECT_EQ(actions::readOnlyRefusal(locked)->message,
              "This command has been encrypted, and cannot be edited");
}

// The commands naming a LIST: a "_" or "%" in its name is a character, not a wildcard.
TEST(RecordRules, TheCommandsUsingAListMatchItsNameLiterally) {
    testing::TestHome home;
    fixture::CommandFileBuilder file;
    file.command("open <my_list>").listReferences({"my_list"}).keys("1");
    file.command("open <myXlist>").listReferences({"myXlist"}).keys("2");
    file.command("take <50%>").listReferences({"50%"}).keys("3");
    file.command("take <50 percent>").listReferences({"50 percent"}).keys("4");
    file.command("OPEN <MY_LIST> now").listReferences({"MY_LIST"}).keys("5");
    ASSERT_TRUE(home.parse(home.writeFile("mycmds.dat", file.build())).ok());
    EXPECT_EQ(commandsUsingList(home.store(), "my_list"),
              (std::vector<std::string>{"open <my_list>", "OPEN <MY_LIST> now"}));
    EXPECT_EQ(commandsUsingList(home.store(), "50%"), std::vector<std::string>{"take <50%>"});
}

TEST_F(RecordActionsTest, TheDeleteQuestionNamesTheListsThatGoWithTheCommand) {
    FileOps files;
    UpdateEngine engine({home_.home(), home_.store(), home_.trace(), files, path_});
    const auto before = testing::readBytes(path_);
    // "open mail" leaves the LIST to "uses <colors>"; "uses <colors>" takes it along.
    const std::pair<const char*, const char*> cases[] = {
        {"open mail", "Delete this command?"},
        {"uses <colors>", "Delete this command?\r\n\r\nThe LIST colors, which no other command "
                          "uses, is deleted with it."}};
    for (const auto& [name, question] : cases) {
        home_.prompt.answers = {Prompt::Answer::No};
        EXPECT_EQ(actions::deleteItem(session(engine), row(name)).code, Outcome::Code::Cancelled);
        EXPECT_EQ(home_.prompt.shown.back().text, question);
        EXPECT_EQ(testing::readBytes(path_), before);
    }
    std::vector<std::string> many;
    for (int i = 0; i < 22; ++i)
        many.push_back("l" + std::to_string(i));
    EXPECT_EQ(listsGoingNote({"a", "b", "c"}, "them"),
              "The LISTs a, b and c, which no other command uses, are deleted with them.");
    EXPECT_TRUE(listsGoingNote(many, "it")
                    .ends_with("l18, l19 and 2 more, which no other "
                               "command uses, are deleted with it."));
}

// A new command is made in Global Commands, or like a command of its Program; a LIST shown under a
// Program is no model. Each refusal leaves the file as it was.
TEST_F(RecordActionsTest, ANewCommandNeedsGlobalCommandsOrACommandToModelOn) {
    FileOps files;
    UpdateEngine engine({home_.home(), home_.store(), home_.trace(), files, path_});
    auto before = testing::readBytes(path_);
    const struct {
        std::string_view program;
        const char* model; // nullptr: none
        bool made;
    } cases[] = {{kGlobalCommands, nullptr, true},
                 {kGlobalCommands, "colors", true},
                 {"WINWORD", nullptr, false},
                 {"WINWORD", "colors", false},
                 {"WINWORD", "open mail", true}};
    int made = 0;
    for (const auto& c : cases) {
        NewCommand command;
        command.type = ItemType::Keys;
        command.name = "new " + std::to_string(made);
        command.program = command.scope = std::string(c.program);
        command.body = "k";
        const auto model = c.model ? std::optional<UserRow>(row(c.model)) : std::nullopt;
        const auto outcome = actions::createCommand(session(engine), command, model);
        EXPECT_EQ(outcome.done(), c.made) << c.program << " " << (c.model ? c.model : "-");
        if (outcome.done()) {
            ++made;
            before = testing::readBytes(path_);
            continue;
        }
        EXPECT_EQ(outcome.message, "Quillmark10 cannot create a new command for this "
                                   "Program, Scope, Group, or View.");
        EXPECT_EQ(testing::readBytes(path_), before);
    }
}

} // namespace qmk
