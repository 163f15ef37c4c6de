// Every write command of qmk10 against each condition its file can be in. Each run either
// refuses, saying why, and leaves every file byte for byte as it was, or writes what was asked
// and the file written reads back whole.
#include "command_file_builder.h"
#include "common/file_io.h"
#include "dragon_install.h"
#include "other_writer.h"
#include "run_qmk10.h"
#include "session/supplied_files.h"
#include "test_home.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace qmk {

namespace {

namespace fs = std::filesystem;
using fixture::CommandFileBuilder;

struct WriteCommand {
    const char* name;
    std::vector<std::string> args; // "F" the file worked on, "T" the target, "X" an XML file,
                                   // "A" an archive, "M" a file to merge
    bool writesTarget = false;     // writes T rather than F
    std::string answer = {};       // what answers the existing-target question
};

enum class Condition {
    Plain,
    ReadOnlyFile,
    ReadOnlyFolder,
    MissingFolder,
    SymbolicLink,
    HardLink,
    ChangedMeanwhile,
    ConcurrentWriter,
    TargetIsSource,
    TargetIsUsersOwn,
    TargetExists
};
constexpr const char* kConditions[] = {"plain",
                                       "read-only file",
                                       "read-only folder",
                                       "missing folder",
                                       "symbolic link",
                                       "hard link",
                                       "file changed between read and write",
                                       "concurrent writer",
                                       "target is the source",
                                       "target is the user's own file",
                                       "target exists"};

// What a run must come to: written, refused saying a text, or stopped at a question.
struct Expected {
    enum Kind { Write, Refuse, Ask, Either } kind;
    const char* says = "";
};

Expected expected(const WriteCommand& c, Condition condition) {
    const bool target = c.writesTarget;
    switch (condition) {
    case Condition::ReadOnlyFile:
        return {Expected::Refuse, target ? "read-only" : "The command file is read-only"};
    case Condition::ReadOnlyFolder: // the system's word: an administrator writes all the same
        return ::geteuid() == 0 ? Expected{Expected::Either}
                                : Expected{Expected::Refuse, "cannot be written to"};
    case Condition::MissingFolder:
        return {Expected::Refuse, target ? "does not exist" : "missing"};
    case Condition::HardLink:
        return {Expected::Refuse, "hard links"};
    case Condition::ChangedMeanwhile:
        return {Expected::Either}; // refused, or read again after the answer
    case Condition::TargetIsSource:
        return {Expected::Refuse,
                c.name == std::string("export") ? "self" : "the commands come from"};
    case Condition::TargetIsUsersOwn: {
        const bool converts = c.name == std::string("convert") || c.name == std::string("language");
        return target     ? Expected{Expected::Refuse, "user's own command file"}
               : converts ? Expected{Expected::Refuse, "User file"}
                          : Expected{Expected::Write};
    }
    case Condition::TargetExists:
        return {Expected::Ask, "This needs an answer"};
    default:
        return {Expected::Write};
    }
}

// The file can be changed between read and write only while qmk10 waits for an answer: that
// is tried on the commands that ask before they write.
bool asks(const WriteCommand& c) {
    return !c.writesTarget && std::find(c.args.begin(), c.args.end(), "--yes") != c.args.end();
}

bool applies(const WriteCommand& c, Condition condition) {
    if (condition == Condition::ChangedMeanwhile)
        return asks(c);
    return c.writesTarget ||
           (condition != Condition::TargetIsSource && condition != Condition::TargetExists);
}

// Standard input is a terminal for the run, so qmk10 asks; its answer is read from a stream
// that says yes to each question and first calls `beforeAnswer`, another program at work while
// the question waits.
class AnswerFromTerminal : public std::streambuf {
public:
    explicit AnswerFromTerminal(std::function<void()> beforeAnswer)
        : beforeAnswer_(std::move(beforeAnswer)) {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_TRUE(master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0);
        const int terminal = ::open(::ptsname(master_), O_RDWR | O_NOCTTY);
        savedInput_ = ::dup(STDIN_FILENO);
        ::dup2(terminal, STDIN_FILENO);
        ::close(terminal);
    }
    ~AnswerFromTerminal() override {
        ::dup2(savedInput_, STDIN_FILENO);
        ::close(savedInput_);
        ::close(master_);
    }
    AnswerFromTerminal(const AnswerFromTerminal&) = delete;
    AnswerFromTerminal& operator=(const AnswerFromTerminal&) = delete;

protected:
    // Every question is answered yes; the other program works before the first answer.
    int_type underflow() override {
        if (!answered_)
            beforeAnswer_();
        answered_ = true;
        setg(answer_, answer_, answer_ + 2);
        return traits_type::to_int_type(answer_[0]);
    }

private:
    std::function<void()> beforeAnswer_;
    char answer_[2] = {'y', '\n'};
    bool answered_ = false;
    int master_ = -1, savedInput_ = -1;
};

CommandFileBuilder commands() {
    CommandFileBuilder file;
    file.command("open mail").description("d").group("Mail").keys("{Ctrl+m}");
    file.command("type name").keys("Pat");
    file.command("bold").application("winword", "Word", "Microsoft").script("SendKeys \"b\"\r\n");
    file.command("uses <colors>").listReferences({"colors"}).keys("x");
    file.list("colors", {"red"});
    return file;
}

const std::vector<WriteCommand>& writeCommands() {
    static const std::vector<WriteCommand> all = {
        {"set-body", {"set-body", "F", "--name", "type name", "--body", "Pat Q"}},
        {"set-details", {"set-details", "F", "--name", "open mail", "--description", "e"}},
        {"rename", {"rename", "F", "--name", "type name", "--to", "say name"}},
        {"to-plain", {"to-plain", "F", "--name", "type name"}},
        {"to-advanced", {"to-advanced", "F", "--name", "open mail"}},
        {"new", {"new", "F", "--type", "K", "--name", "brand new", "--body", "x"}},
        {"new-list", {"new-list", "F", "--name", "extra", "--body", "a"}},
        {"delete", {"delete", "F", "--pick", "uses <colors>", "--yes"}},
        {"delete-list", {"delete-list", "F", "--list", "colors", "--yes"}},
        {"rename-group", {"rename-group", "F", "--group", "Mail", "--to", "Post"}},
        {"rename-program", {"rename-program", "F", "--program", "winword", "--to", "excel"}},
        {"convert", {"convert", "F", "--to", "8.0", "--yes"}},
        {"language", {"language", "F", "--to", "French", "--yes"}},
        {"dvc", {"dvc", "F", "--all", "--to", "plain"}},
        {"replace", {"replace", "F", "--all", "--search", "Pat", "--replace", "Kim"}},
        {"import-xml", {"import-xml", "X", "--to", "F", "--on-duplicate", "no"}},
        {"restore", {"restore", "A", "F", "--pick", "open mail", "--on-duplicate", "yes"}},
        {"merge", {"merge", "F", "M"}},
        {"export", {"export", "F", "--all", "--to", "T"}, true, "--overwrite"},
        {"report", {"report", "F", "--all", "--mode", "txt", "--out", "T"}, true, "--yes"},
        {"export-xml", {"export-xml", "F", "--all", "--to", "T"}, true, "--yes"},
    };
    return all;
}

class WriteGuardTest : public ::testing::Test {
protected:
    WriteGuardTest() : install_(home_.path("")) {
        environment_.set("QUILLMARK10_COMMON_APPDATA", install_.common)
            .set("QUILLMARK10_APPDATA", install_.perUser)
            .set("QUILLMARK10_DRAGON_PROGRAM", fs::path(MERGEMYCMDS).parent_path() / "natspeak");
        EXPECT_EQ(qmk({"init"}).status, 0);
    }

    testing::Qmk10Run qmk(std::vector<std::string> args) {
        return testing::runQmk10(home_.path("qmk"), std::move(args));
    }
    fs::path own() const { return fs::path(install_.currentFolder()) / "mycmds.dat"; }

    // One run: its files laid out fresh for the condition, the command run, what came of it.
    std::string run(const WriteCommand& c, Condition condition, int number);

    testing::TestHome home_;
    testing::DragonInstall install_;
    testing::ScopedEnvironment environment_;
};

std::string WriteGuardTest::run(const WriteCommand& c, Condition condition, int number) {
    const auto folder = home_.path("run" + std::to_string(number));
    fs::create_directories(folder);
    const auto image = commands().build();
    commands().write(own().string());
    auto file = folder / "f.dat", target = folder / "t.dat";
    if (c.name == std::string("report") || c.name == std::string("export-xml"))
        target = folder / "t.txt";
    auto written = c.writesTarget ? target : file;
    FileOps::system().writeFile(file, image);
    // The other files some commands read: an archive, an XML set, a file to merge.
    auto archive = image;
    archive.replace(archive.find("{Ctrl+m}"), 8, "{Ctrl+n}");
    FileOps::system().writeFile(folder / "a.dat", archive);
    FileOps::system().writeFile(folder / "m.dat", placerFile());
    FileOps::system().writeFile(folder / "x.xml",
                                "<MyCommands language=\"0x409\"><Commands type=\"global\"><Command "
                                "name=\"from xml\"><contents type=\"DVC_SCRIPT\">Beep</contents>"
                                "</Command></Commands></MyCommands>");
    // A target that is there already: an export's is a command file, a report's any text.
    const auto existingTarget = [&] {
        if (c.writesTarget)
            FileOps::system().writeFile(target, c.name == std::string("export") ? image : "old");
    };
    std::unique_ptr<testing::OtherWriter> other;
    switch (condition) {
    case Condition::ReadOnlyFile:
        existingTarget();
        fs::permissions(written, fs::perms::owner_read | fs::perms::group_read);
        break;
    case Condition::ReadOnlyFolder:
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        break;
    case Condition::MissingFolder:
        (c.writesTarget ? target : file) = folder / "missing" / "x.dat";
        break;
    case Condition::SymbolicLink: {
        const auto link = folder / "link.dat";
        existingTarget();
        fs::create_symlink(written, link);
        (c.writesTarget ? target : file) = link;
        break;
    }
    case Condition::HardLink:
        existingTarget();
        fs::create_hard_link(written, folder / "second name.dat");
        break;
    case Condition::ConcurrentWriter:
        existingTarget();
        other = std::make_unique<testing::OtherWriter>(written);
        break;
    case Condition::TargetIsSource:
        target = file;
        break;
    case Condition::TargetIsUsersOwn:
        (c.writesTarget ? target : file) = own();
        break;
    case Condition::TargetExists:
        existingTarget(); // every command of this condition writes a target
        break;
    case Condition::Plain:
    case Condition::ChangedMeanwhile:
        break;
    }
    written = c.writesTarget ? target : file;
    // Every file there is, as it was before the run.
    std::map<fs::path, std::string> before;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            before[entry.path()] = testing::readBytes(entry.path());
    before[own()] = testing::readBytes(own());
    auto args = c.args;
    for (auto& arg : args)
        arg = arg == "F"   ? file.string()
              : arg == "T" ? target.string()
              : arg == "X" ? (folder / "x.xml").string()
              : arg == "A" ? (folder / "a.dat").string()
              : arg == "M" ? (folder / "m.dat").string()
                           : arg;
    if (!c.answer.empty() && condition != Condition::TargetExists)
        args.push_back(c.answer);
    std::thread release;
    if (other)
        release = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            other->finish();
        });
    testing::Qmk10Run result;
    if (condition == Condition::ChangedMeanwhile) {
        // Another program, one that takes no lock (Dragon), writes the file while qmk10 asks.
        std::erase(args, "--yes");
        AnswerFromTerminal answer([&] {
            FileOps::system().writeFile(file, archive);
            before[file] = archive;
        });
        std::istream in(&answer);
        std::ostringstream out, err;
        args.insert(args.begin(), {"qmk10", "--home", home_.path("qmk").string()});
        std::vector<const char*> argv;
        for (const auto& arg : args)
            argv.push_back(arg.c_str());
        result.status = cli::run(static_cast<int>(argv.size()), argv.data(), out, err, in);
        result.err = err.str();
    } else {
        result = qmk(args);
    }
    if (release.joinable())
        release.join();
    fs::permissions(folder, fs::perms::owner_all);

    const auto want = expected(c, condition);
    const bool wrote = result.status == 0;
    std::string outcome = wrote ? "written" : "refused (" + std::to_string(result.status) + ")";
    const std::string where =
        std::string(c.name) + " / " + kConditions[static_cast<int>(condition)];
    if (wrote && want.kind != Expected::Write && want.kind != Expected::Either) {
        ADD_FAILURE() << where << ": written, but should have been refused";
    }
    if (!wrote && (want.kind == Expected::Write ||
                   (want.kind != Expected::Either && !testing::contains(result.err, want.says)))) {
        ADD_FAILURE() << where << ": " << result.err;
    }
    if (want.kind == Expected::Ask && result.status != 4) {
        ADD_FAILURE() << where << ": the question should stop it with status 4";
    }
    for (const auto& [path, bytes] : before) {
        const bool changed = testing::readBytes(path) != bytes;
        if (changed && !(wrote && fs::equivalent(path, written))) {
            ADD_FAILURE() << where << ": " << path << " changed";
        }
    }
    // What was written reads back: a command file as one, every time.
    const bool commandFileWritten = wrote && (!c.writesTarget || c.name == std::string("export"));
    EXPECT_TRUE(!commandFileWritten || qmk({"info", written.string()}).status == 0) << where;
    // A change another program made while qmk10 asked is refused or kept, never written over.
    EXPECT_TRUE(condition != Condition::ChangedMeanwhile ||
                (wrote ? testing::contains(testing::readBytes(file), "{Ctrl+n}")
                       : testing::contains(result.err, "another program changed it")))
        << where << ": " << result.err;
    EXPECT_TRUE(condition != Condition::SymbolicLink ||
                fs::is_symlink(c.writesTarget ? target : file))
        << where << ": the link stays";
    if (fs::exists(file.string() + ".lock") || fs::exists(target.string() + ".lock")) {
        ADD_FAILURE() << where << ": a lock file stayed behind";
    }
    return outcome;
}

} // namespace

TEST_F(WriteGuardTest, EveryWriteCommandRefusesOrWritesWholeUnderEveryCondition) {
    int number = 0;
    std::string table = "command";
    for (const auto* condition : kConditions)
        table += " | " + std::string(condition);
    for (const auto& c : writeCommands()) {
        table += "\n" + std::string(c.name);
        for (int i = 0; i < static_cast<int>(std::size(kConditions)); ++i) {
            const auto condition = static_cast<Condition>(i);
            table += " | " + (applies(c, condition) ? run(c, condition, ++number) : "-");
        }
    }
    if (std::getenv("QMK_PRINT_OUTCOMES"))
        std::printf("%s\n", table.c_str());
}

// A command file holds at most 65,535 commands: an export that would pass that is refused
// before anything is written, at the limit it is written. The first run is the store's first
// look at the user: asking where the user's own file is must not empty it.
TEST_F(WriteGuardTest, AnExportPastTheCountsLimitIsRefusedBeforeAnythingIsWritten) {
    const auto full = [](int count) {
        CommandFileBuilder file;
        for (int i = 0; i < count; ++i)
            file.command("c" + std::to_string(i)).keys("k");
        return file.build();
    };
    const auto source = home_.writeFile("one.dat", commands().build());
    for (const auto& [held, written] : {std::pair{65531, true}, std::pair{65532, false}}) {
        const auto target = home_.writeFile("full.dat", full(held));
        const auto result = qmk({"export", source.string(), "--all", "--to", target.string(),
                                 "--append", "--on-duplicate", "no"});
        EXPECT_EQ(result.status == 0, written) << held << ": " << result.err;
        if (!written) {
            EXPECT_TRUE(testing::contains(result.err, "holds at most 65,535"));
            EXPECT_EQ(testing::readBytes(target), full(held));
        }
        EXPECT_EQ(qmk({"info", target.string()}).status, 0);
    }
}

} // namespace qmk
