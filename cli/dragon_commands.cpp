#include "actions/demo_installation.h"
#include "commands.h"
#include "common/utf8_path.h"
#include "json.h"

#include <memory>
#include <optional>
#include <ostream>

namespace qmk::cli {

namespace fs = std::filesystem;

namespace {

// A line that sets an environment variable in the shell of the system.
std::string exportLine(const std::string& name, const std::string& value) {
#ifdef _WIN32
    return "set \"" + name + "=" + value + "\"\n";
#else
    std::string quoted = "'";
    for (const char c : value)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return "export " + name + "=" + quoted + "'\n";
#endif
}

struct DemoPlace {
    fs::path common, perUser;
    bool systemFolders = false;
};

int demoSetup(const ProgramDir& home, const DemoPlace& place, const std::string& user,
              std::ostream& out, std::ostream& err) {
    const auto outcome =
        actions::installDemo({place.common, place.perUser}, user, actions::shippedDemoCommands());
    if (!outcome.done()) {
        err << outcome.message << '\n';
        return kFailed;
    }
    // Standard output is kept for the lines the shell evaluates.
    err << outcome.message << '\n';
    if (!outcome.followUp.empty())
        err << outcome.followUp << '\n';
    if (!place.systemFolders)
        out << exportLine("QUILLMARK10_COMMON_APPDATA", utf8Of(place.common))
            << exportLine("QUILLMARK10_APPDATA", utf8Of(place.perUser));
    out << exportLine("QUILLMARK10_HOME", utf8Of(fs::absolute(home.folder())));
    return kDone;
}

// In the folder given (default: demo-dragon in the program's directory), or where Dragon's own
// installation would be.
std::optional<DemoPlace> demoPlace(const ProgramDir& home, const std::string& folder,
                                   bool systemFolders, std::ostream& err) {
    if (systemFolders) {
        const auto folders = actions::systemDemoFolders();
        if (!folders) {
            err << "The system names no folder for all users' or the user's application data\n";
            return std::nullopt;
        }
        return DemoPlace{folders->common, folders->perUser, true};
    }
    const auto base =
        fs::absolute(folder.empty() ? home.folder() / "demo-dragon" : pathFromUtf8(folder));
    return DemoPlace{base / "ProgramData", base / "AppData", false};
}

int backup(CommandRun& session, std::ostream& out) {
    auto archives = session.backups();
    const auto file = session.parser().commandFile();
    const auto archive = archives->archiveBeforeWrite(file, true, now());
    if (!archive) {
        session.prompt().message("Only a Dragon user's own mycmds.dat is backed up", utf8Of(file));
        return kFailed;
    }
    out << utf8Of(*archive) << '\n';
    return kDone;
}

int rollback(CommandRun& session, const std::string& archive, std::ostream& out) {
    auto archives = session.backups();
    const auto& user = session.dragon()->currentUser;
    if (archive.empty()) {
        for (const auto& name : archives->archivesOfThisMonth(user, now()))
            out << name << '\n';
        return kDone;
    }
    const auto file = session.dragon()->usersOwnFile();
    if (!archives->restore(user, archive, file,
                           [&] { return session.parse(utf8Of(file), true) == kDone; }))
        return kFailed;
    out << utf8Of(file) << ": restored from " << archive << '\n';
    return kDone;
}

int merge(CommandRun& session, const std::string& source, std::ostream& out) {
    const auto outcome = session.mergeThroughDragon(pathFromUtf8(source));
    if (!outcome.done()) {
        session.prompt().message(outcome.message, outcome.title);
        if (outcome.sourceMissing)
            return kUsage;
        session.verifyWrite();
        return kFailed;
    }
    const int verified = session.verifyWrite();
    if (verified == kDone)
        out << outcome.message << '\n';
    return verified;
}

int whoami(CommandRun& session, bool json, std::ostream& out) {
    const DragonEnvironment& dragon = *session.dragon();
    const Json found{
        {"CurrentUser", dragon.currentUser},
        {"UserSub", dragon.userSub},
        {"UserBaseDirectory", dragon.userBaseDirectory},
        {"CurrentUserDirectory", dragon.currentUserDirectory},
        {"VersionText", dragon.versionText},
        {"Edition", dragon.edition},
        {"MajorVersion", dragon.majorVersion},
        {"MinorVersion", dragon.minorVersion},
        {"language", dragon.language},
        {"speakerlanguageID", dragon.speakerLanguageId},
        {"RoamingUserOn", dragon.roamingUserOn},
        {"RoamingMasterDirectory", dragon.roamingMasterDirectory},
        {"RoamingCacheDirectory", dragon.roamingCacheDirectory},
        {"CurrentUserIsRoaming", dragon.currentUserIsRoaming},
        {"ProductionFile", utf8Of(dragon.usersOwnFile())},
    };
    if (json) {
        printJson(out, found);
        return kDone;
    }
    for (const auto& [name, value] : found.items())
        out << name << ": " << (value.is_string() ? value.get<std::string>() : value.dump())
            << '\n';
    return kDone;
}

} // namespace

void addDragonCommands(Commands& commands) {
    struct DemoOptions {
        std::string folder;
        std::string user = "Demo User";
        bool systemFolders = false;
    };
    auto demo = std::make_shared<DemoOptions>();
    auto& demoCommand =
        commands.add("demo-setup", "Create a simulated Dragon installation with a demo user");
    auto* dir = demoCommand.cli->add_option("--dir", demo->folder,
                                            "Where (default: demo-dragon in the home)");
    demoCommand.cli
        ->add_flag("--system-folders", demo->systemFolders,
                   "Where Dragon's own installation would be (refused where Dragon is installed)")
        ->excludes(dir);
    demoCommand.cli->add_option("--user", demo->user, "The Dragon user's name");
    demoCommand.alone = [demo](const ProgramDir& home, std::ostream& out, std::ostream& err) {
        const auto place = demoPlace(home, demo->folder, demo->systemFolders, err);
        return place ? demoSetup(home, *place, demo->user, out, err) : kFailed;
    };

    // Backup and rollback work on the current user's own file.
    const auto usersOwnFile = [](CommandRun& session) { return session.parse("", false); };
    auto& backupCommand = commands.add("backup", "Back up the current Dragon user's command file");
    backupCommand.open = usersOwnFile;
    backupCommand.run = backup;

    struct RollbackOptions {
        std::string archive;
        bool listOnly = false; // without ARCHIVE the archives are listed: --list only says so
    };
    auto rollbackOptions = std::make_shared<RollbackOptions>();
    auto& rollbackCommand =
        commands.add("rollback", "List this month's archives of the current user, or restore one");
    auto* archiveOption = rollbackCommand.cli->add_option("ARCHIVE", rollbackOptions->archive,
                                                          "The archive to restore");
    rollbackCommand.cli->add_flag("--list", rollbackOptions->listOnly, "List the archives")
        ->excludes(archiveOption);
    commands.addYes(rollbackCommand.cli, "Answer OK to the question");
    // A rollback copies an archive over the file: it holds the lock as a write does.
    rollbackCommand.writes();
    rollbackCommand.open = usersOwnFile;
    rollbackCommand.run = [rollbackOptions](CommandRun& session, std::ostream& out) {
        return rollback(session, rollbackOptions->archive, out);
    };

    auto files = std::make_shared<std::vector<std::string>>(); // [TARGET] SOURCE
    auto& mergeCommand = commands.add(
        "merge",
        "Merge SOURCE into TARGET (default: the current user's file) through Dragon's tool");
    mergeCommand.cli->add_option("FILES", *files, "[TARGET] SOURCE")->required()->expected(1, 2);
    // The merge tool writes the file and takes its lock itself; a merge is never repeated.
    mergeCommand.repeatable = false;
    mergeCommand.open = [files](CommandRun& session) {
        return session.parse(files->size() == 2 ? files->front() : std::string(), false);
    };
    mergeCommand.run = [files](CommandRun& session, std::ostream& out) {
        return merge(session, files->back(), out);
    };

    auto json = std::make_shared<bool>(false);
    auto& whoamiCommand = commands.add("whoami", "Show the Dragon environment found");
    whoamiCommand.cli->add_flag("--json", *json, "As one JSON object");
    // Found or not, --json answers in JSON: what went wrong is said there too.
    whoamiCommand.open = [](CommandRun&) { return kDone; };
    whoamiCommand.run = [json](CommandRun& session, std::ostream& out) {
        if (const int found = session.discover(); found != kDone) {
            if (*json)
                printJson(out, Json{{"error", shownMessages(session.prompt())}});
            return found;
        }
        return whoami(session, *json, out);
    };
}

} // namespace qmk::cli
