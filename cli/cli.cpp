#include "cli.h"

#include "console_prompt.h"
#include "format/damage_report.h"
#include "format/parser.h"
#include "json.h"
#include "row_output.h"
#include "store/statements.h"
#include "store/user_rows.h"

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <ostream>

namespace qmk::cli {

namespace {

namespace fs = std::filesystem;

constexpr const char* kVersion = "0.1.0";

fs::path dataFolder() {
    if (const char* env = std::getenv("QUILLMARK10_DATA"); env && *env)
        return env;
    return QMK_DATA_DIR;
}

struct Options {
    std::string home;
    std::string file;
    bool force = false;
    bool json = false;
    bool csv = false;
};

int init(const ProgramDir& home, std::ostream& out, std::ostream& err) {
    std::error_code ec;
    fs::create_directories(home.folder(), ec);
    if (ec) {
        err << home.folder().string() << ": " << ec.message() << '\n';
        return kFailed;
    }
    const auto keynames = home.file(files::kKeyNames);
    if (fs::exists(keynames)) {
        out << "kept " << keynames.string() << '\n';
    } else if (!fs::copy_file(dataFolder() / files::kKeyNames, keynames, ec)) {
        err << keynames.string() << ": " << ec.message() << '\n';
        return kFailed;
    } else {
        out << "created " << keynames.string() << '\n';
    }
    const auto store = home.file(files::kStore);
    const bool existed = fs::exists(store);
    openCommandStore(store);
    out << (existed ? "kept " : "created ") << store.string() << '\n';
    return kDone;
}

// One run of a reading command: trace, store and parser, as a start-up opens them.
class Session {
  public:
    Session(ProgramDir home, std::ostream& err)
        : home_(std::move(home)), err_(err), prompt_(err),
          trace_(home_.file(files::kTrace), now()) {}

    // Opens the store and parses; returns the exit status (kDone or a failure).
    int parse(const Options& options) {
        const auto storeFile = home_.file(files::kStore);
        if (!fs::exists(storeFile)) {
            prompt_.message("Required Quillmark file global10.mdb missing--reinstall",
                            storeFile.string());
            err_ << "(run 'qmk10 --home " << home_.folder().string() << " init' first)\n";
            return kUsage;
        }
        trace_.Tracy("", "", "");
        trace_.Tracy("qmk10", kVersion, now().display());
        db_ = openCommandStore(storeFile);
        parser_.emplace(ParseContext{home_, *db_, trace_, status_, prompt_, {}});
        const auto result = parser_->Parse(options.force, options.file);
        if (result.ok())
            return kDone;
        prompt_.message(result.message, result.title);
        switch (result.status) {
        case ParseStatus::Damaged:
            appendTraceToErrorLog(home_.file(files::kErrorLog), trace_.file());
            err_ << "see " << home_.file(files::kErrorLog).string() << '\n';
            return kDamaged;
        case ParseStatus::CommandFileMissing:
        case ParseStatus::KeyNamesMissing:
            return kUsage;
        default:
            return kFailed;
        }
    }

    Database& store() { return *db_; }
    const Parser& parser() const { return *parser_; }
    const std::string& countLabel() const { return status_.count(); }

  private:
    ProgramDir home_;
    std::ostream& err_;
    ConsolePrompt prompt_;
    CountKeeper status_;
    Trace trace_;
    std::unique_ptr<Database> db_;
    std::optional<Parser> parser_;
};

StateNames loadStateNames(Database& db) {
    StateNames names;
    auto select = db.prepare("SELECT ID, statename FROM states");
    while (select.step())
        names[select.integer(0)] = select.text(1);
    return names;
}

int list(Session& session, const Options& options, std::ostream& out) {
    const auto rows = UserTable(session.store()).all();
    if (options.json)
        printRowsJson(out, rows, loadStateNames(session.store()));
    else if (options.csv)
        printRowsCsv(out, rows);
    else
        printRowsText(out, rows);
    return kDone;
}

int info(Session& session, const Options& options, std::ostream& out) {
    const auto& p = session.parser().properties();
    const auto path = session.parser().commandFile().string();
    const auto commands = statements::countCommands(session.store());
    const auto lists = statements::countLists(session.store());
    if (options.json) {
        out << "{\"file\": " << jsonString(path) << ", \"version\": " << jsonString(p.versionText)
            << ", \"generation\": " << jsonString(p.generationLabel)
            << ", \"language\": " << jsonString(p.languageName)
            << ", \"languageCode\": " << int{p.languageCode}
            << ", \"modified\": " << jsonString(p.modified.display()) << ", \"size\": " << p.size
            << ", \"commands\": " << commands << ", \"lists\": " << lists << "}\n";
        return kDone;
    }
    out << "Filename:\n"
        << path << "\n\n"
        << "Version:           " << p.versionText << '\n'
        << "Language:       " << p.languageName << '\n'
        << "Last Modified: " << p.modified.display() << '\n'
        << "Size:                " << p.size << '\n'
        << "#Commands:  " << commands << '\n'
        << "#Lists:            " << lists << '\n';
    return kDone;
}

} // namespace

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"qmk10: reads and edits Dragon command files (mycmds.dat)", "qmk10"};
    app.require_subcommand(1);
    Options options;
    app.add_option("--home", options.home,
                   "The program's directory (else $QUILLMARK10_HOME, else the per-user data "
                   "folder)");
    app.set_version_flag("--version", kVersion);

    auto* initCommand = app.add_subcommand("init", "Set up the program's directory");
    auto* parseCommand = app.add_subcommand("parse", "Parse FILE into the command store");
    auto* listCommand = app.add_subcommand("list", "Parse FILE when changed and list its rows");
    auto* infoCommand = app.add_subcommand("info", "Show the properties of FILE");
    for (auto* command : {parseCommand, listCommand, infoCommand}) {
        command->add_option("FILE", options.file, "The command file")->required();
        command->add_flag("--force", options.force, "Parse even when the file is unchanged");
    }
    auto* json = listCommand->add_flag("--json", options.json, "One JSON array of the rows");
    listCommand->add_flag("--csv", options.csv, "The rows as CSV")->excludes(json);
    infoCommand->add_flag("--json", options.json, "The properties as one JSON object");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, out, err);
        return code == 0 ? kDone : kUsage;
    }

    const auto home = ProgramDir::resolve(options.home);
    try {
        if (initCommand->parsed())
            return init(home, out, err);
        Session session(home, err);
        const int parsed = session.parse(options);
        if (parsed != kDone && parsed != kDamaged)
            return parsed;
        int status = kDone;
        if (parseCommand->parsed())
            out << session.countLabel() << '\n';
        else if (listCommand->parsed())
            status = list(session, options, out);
        else
            status = info(session, options, out);
        return parsed == kDamaged ? kDamaged : status;
    } catch (const StoreError& e) {
        err << "The command store failed: " << e.what() << " (Error # =" << e.code() << ")\n";
        return kFailed;
    }
}

} // namespace qmk::cli
