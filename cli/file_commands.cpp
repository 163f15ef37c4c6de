#include "actions/demo_installation.h"
#include "commands.h"
#include "common/utf8_path.h"
#include "json.h"
#include "row_output.h"

#include <memory>
#include <ostream>

namespace qmk::cli {

namespace {

struct ListFormat {
    bool json = false;
    bool csv = false;
};

int init(const ProgramDir& home, std::ostream& out, std::ostream& err) {
    const auto outcome =
        actions::setUpProgramFolder(home, [&](const std::string& line) { out << line << '\n'; });
    if (!outcome.done()) {
        err << outcome.message << '\n';
        return kFailed;
    }
    return kDone;
}

int list(CommandRun& session, const ListFormat& format, std::ostream& out) {
    auto rows = session.rows();
    if (format.json)
        printRowsJson(out, rows, session.scopeNames());
    else if (format.csv)
        printRowsCsv(out, rows);
    else
        printRowsText(out, rows);
    return kDone;
}

int info(CommandRun& session, bool json, std::ostream& out) {
    const auto facts = session.info();
    const auto& p = facts.properties;
    const auto path = utf8Of(session.parser().commandFile());
    const auto commands = facts.commands;
    const auto lists = facts.lists;
    if (json) {
        printJson(out, {{"file", path},
                        {"version", p.versionText},
                        {"generation", p.generationLabel},
                        {"language", p.languageName},
                        {"languageCode", int{p.languageCode}},
                        {"modified", p.modified.display()},
                        {"size", p.size},
                        {"commands", commands},
                        {"lists", lists}});
        return kDone;
    }
    out << consoleText(facts.text) << '\n';
    return kDone;
}

// A reading command that shows what a damaged file still holds.
Command& reading(Commands& commands, const std::string& name, const std::string& description) {
    auto& command = commands.onFile(name, description);
    command.showsDamage = true;
    command.cli->add_flag("--force", commands.shared().force,
                          "Parse even when the file is unchanged");
    return command;
}

} // namespace

void addFileCommands(Commands& commands) {
    commands.add("init", "Set up the program's directory").alone = init;

    reading(commands, "parse", "Parse FILE into the command store").run = [](CommandRun& session,
                                                                             std::ostream& out) {
        out << session.countLabel() << '\n';
        return kDone;
    };

    auto format = std::make_shared<ListFormat>();
    auto& listCommand = reading(commands, "list", "Parse FILE when changed and list its rows");
    auto* json = listCommand.cli->add_flag("--json", format->json, "One JSON array of the rows");
    listCommand.cli->add_flag("--csv", format->csv, "The rows as CSV")->excludes(json);
    listCommand.run = [format](CommandRun& session, std::ostream& out) {
        return list(session, *format, out);
    };

    auto infoJson = std::make_shared<bool>(false);
    auto& infoCommand = reading(commands, "info", "Show the properties of FILE");
    infoCommand.cli->add_flag("--json", *infoJson, "The properties as one JSON object");
    infoCommand.run = [infoJson](CommandRun& session, std::ostream& out) {
        return info(session, *infoJson, out);
    };
}

} // namespace qmk::cli
