// Every write path with the disk failing at each of its steps in turn: the command file (and an
// export's target) is byte-identical to what it was, or completely what a faultless run makes,
// never anything in between; the store is shifted only when the file was.
#include "actions/edit_rules.h"
#include "command_file_builder.h"
#include "failing_files.h"
#include "store/statements.h"
#include "store/user_rows.h"
#include "test_home.h"
#include "writer/export_dat.h"
#include "writer/new_records.h"
#include "writer/rebuilds.h"
#include "writer/record_edits.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace qmk::testing {

namespace {

using fixture::CommandFileBuilder;

std::string sourceFile() {
    CommandFileBuilder file;
    file.command("first").group("Mail").keys("{Ctrl+a}");
    file.command("pick <colors>").listReferences({"colors"}).keys("{Enter}");
    file.command("second").application("winword").states({"Edit"}).script("x");
    file.command("third").plainText("plain words");
    file.command("typed").keys("hello");
    file.list("colors", {"red", "blue"});
    file.list("spare", {"one"});
    return file.build();
}

struct Snapshot {
    std::string file;
    std::string target;
    std::vector<std::pair<std::int64_t, std::int64_t>> positions;
};

// One run of an operation on a freshly parsed source file, through the given file operations.
class Attempt {
public:
    explicit Attempt(FileOps& files) : files_(files) {
        path_ = home_.writeFile("mycmds.dat", sourceFile());
        CommandFileBuilder held;
        held.command("held").keys("h");
        home_.writeFile("held.dat", held.build());
        EXPECT_TRUE(home_.parse(path_, true).ok());
        engine_.emplace(EngineContext{home_.home(), home_.store(), trace_, files_, path_});
    }

    UpdateEngine& engine() { return *engine_; }
    TestHome& home() { return home_; }
    UserRow row(const std::string& name, const std::string& program = "Global Commands",
                const std::string& scope = "Global Commands") {
        return findRow(home_.store(), program, scope, name).value_or(UserRow{});
    }
    // Export targets: one that is there before, one that is not.
    std::filesystem::path held() const { return home_.path("held.dat"); }
    std::filesystem::path fresh() const { return home_.path("fresh.dat"); }

    Snapshot snapshot() {
        Snapshot s{readBytes(path_),
                   readBytes(held()) + "|" +
                       (std::filesystem::exists(fresh()) ? readBytes(fresh()) : "none"),
                   {}};
        for (const auto& r : home_.rows())
            s.positions.emplace_back(r.offset, r.offsetbody);
        return s;
    }
    bool leftovers() const {
        for (const auto& entry : std::filesystem::directory_iterator(home_.home().folder()))
            if (entry.path().extension() == ".qmk-new")
                return true;
        return false;
    }

private:
    TestHome home_;
    Trace trace_{home_.path("writer.trace"), now()};
    FileOps& files_;
    std::filesystem::path path_;
    std::optional<UpdateEngine> engine_;
};

using Operation = std::function<bool(Attempt&)>;

// Runs the operation once without faults, then once failing at each of its steps.
void failEachStep(const std::string& what, const Operation& operation) {
    SCOPED_TRACE(what);
    FailingAtStep clean;
    Attempt faultless(clean);
    const auto before = faultless.snapshot();
    ASSERT_TRUE(operation(faultless));
    const auto after = faultless.snapshot();
    ASSERT_NE(after.file + after.target, before.file + before.target) << "the operation wrote";
    ASSERT_GT(clean.steps, 0);

    for (int step = 0; step < clean.steps; ++step) {
        SCOPED_TRACE("failing at step " + std::to_string(step));
        FailingAtStep files;
        files.failAt = step;
        Attempt attempt(files);
        const bool ok = operation(attempt);
        const auto seen = attempt.snapshot();
        ASSERT_TRUE(files.failed);
        EXPECT_FALSE(attempt.leftovers());
        if (!ok) {
            EXPECT_EQ(seen.file, before.file);
            EXPECT_EQ(seen.target, before.target);
            EXPECT_EQ(seen.positions, before.positions);
        } else {
            // Only a scratch file failed: the file is the faultless run's, whole.
            EXPECT_EQ(seen.file, after.file);
            EXPECT_EQ(seen.target, after.target);
        }
        const auto savedat = attempt.home().path("savedat");
        if (ok && std::filesystem::exists(savedat) && seen.file != before.file) {
            EXPECT_EQ(readBytes(savedat), before.file);
        }
    }
}

NewCommand newCommand() {
    NewCommand c;
    c.type = ItemType::Keys;
    c.name = "brand new";
    c.program = c.scope = "Global Commands";
    c.body = "{Tab}";
    return c;
}

} // namespace

// A file is replaced by a new file flushed to the disk first, then renamed over it: never a
// rename of bytes that may still be on their way.
TEST(FaultInjection, ANewFileIsFlushedBeforeItReplacesTheOld) {
    TestHome home;
    FailingAtStep files;
    files.replaceFile(home.writeFile("f.dat", "old"), "new");
    EXPECT_EQ(files.log, (std::vector<std::string>{"write", "rename"}));
    EXPECT_EQ(home.readFile("f.dat"), "new");
}

TEST(FaultInjection, SingleRecordEditsAreWholeOrNotAtAll) {
    failEachStep("Update1Body", [](Attempt& r) {
        return replaceBody(r.engine(), r.row("first"), "{Ctrl+b}").done();
    });
    failEachStep("UpdateFirstThings", [](Attempt& r) {
        return updateDetails(r.engine(), r.row("first"), "renamed", "said", "Post").done();
    });
    failEachStep("Updatechangetype", [](Attempt& r) {
        return changeType(r.engine(), r.row("first"), Conversion::ToAdvancedScript).done();
    });
    failEachStep("UpdateListRename",
                 [](Attempt& r) { return renameList(r.engine(), r.row("spare"), "extra").done(); });
    failEachStep("NewCommandRecord",
                 [](Attempt& r) { return addCommandRecord(r.engine(), newCommand()).done(); });
    failEachStep("NewListRecord", [](Attempt& r) {
        return addListRecord(r.engine(), "sizes", "big\r\nsmall").done();
    });
    failEachStep("deleteList",
                 [](Attempt& r) { return deleteList(r.engine(), r.row("spare")).done(); });
}

TEST(FaultInjection, RebuildsAndConversionsAreWholeOrNotAtAll) {
    failEachStep("deletethem", [](Attempt& r) {
        return deleteCommands(r.engine(), testing::rowsWhere(r.home().store(), "name = 'first'"))
            .done();
    });
    failEachStep("RenameGroup", [](Attempt& r) {
        return renameGroupsOrPrograms(r.engine(), statements::selectAll(r.home().store()),
                                      {WalkOperation::Group, "Mail", "Post"})
            .done();
    });
    failEachStep("rename program", [](Attempt& r) {
        return renameGroupsOrPrograms(r.engine(),
                                      testing::rowsWhere(r.home().store(), "name = 'second'"),
                                      {WalkOperation::Program, {}, "word"})
            .done();
    });
    failEachStep("convertFormat",
                 [](Attempt& r) { return convertFormat(r.engine(), *formatTarget("8.0")).done(); });
    failEachStep("convertLanguage", [](Attempt& r) {
        return convertLanguage(r.engine(), *languageCode("Dutch")).done();
    });
    failEachStep("convertDvc", [](Attempt& r) {
        return convertDvc(r.engine(), statements::selectAll(r.home().store()),
                          WalkOperation::DvcToPlainText)
            .result.done();
    });
}

TEST(FaultInjection, ExportTargetsAreWholeOrAsTheyWere) {
    failEachStep("export to a new file", [](Attempt& r) {
        return exportCommands(r.engine(), statements::selectCommands(r.home().store()), r.fresh(),
                              ExportMode::NewFile, {})
            .result.done();
    });
    failEachStep("export appended", [](Attempt& r) {
        return exportCommands(r.engine(), statements::selectCommands(r.home().store()), r.held(),
                              ExportMode::Append, {})
            .result.done();
    });
}

} // namespace qmk::testing
