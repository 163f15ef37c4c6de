#include "commands.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "json.h"
#include "tools/compare.h"
#include "tools/conflicts.h"
#include "tools/restore_items.h"

#include <memory>
#include <ostream>

namespace qmk::cli {

namespace {

// qmk10 restore ARCHIVE [FILE] --pick NAME [--program P] [--scope S] --list NAME.
struct RestoreOptions {
    std::string archive;
    std::vector<std::string> picks;
    std::vector<std::string> lists;
    std::string program{kGlobalCommands};
    std::string scope;
    std::string onDuplicate = "ask";
};

Json itemJson(const SetItem& item) {
    return {{"kind", item.list ? "list" : "command"},
            {"program", item.program},
            {"scope", item.scope},
            {"name", item.name},
            {"type", item.type},
            {"description", item.description},
            {"group", item.group},
            {"body", item.encrypted ? "" : item.body},
            {"states", item.states}};
}

Json fileJson(const CommandSet& set) {
    return {{"file", utf8Of(set.file)},
            {"generation", set.properties.generationLabel},
            {"language", set.properties.languageName},
            {"items", set.items.size()}};
}

int diff(const ProgramDir& home, const std::string& before, const std::string& after, bool json,
         std::ostream& out, std::ostream& err) {
    auto a = readCommandSet(pathFromUtf8(before), home);
    auto b = readCommandSet(pathFromUtf8(after), home);
    for (const auto* read : {&a, &b})
        if (const auto* message = std::get_if<std::string>(read)) {
            err << *message << '\n';
            return kFailed;
        }
    const auto& first = std::get<CommandSet>(a);
    const auto& second = std::get<CommandSet>(b);
    const auto differences = compareSets(first, second);
    if (!json) {
        out << "--- " << before << " (" << first.properties.generationLabel << ")\n+++ " << after
            << " (" << second.properties.generationLabel << ")\n";
        for (const auto& d : differences)
            out << differenceLine(d) << '\n';
        out << differenceSummary(differences) << '\n';
        return kDone;
    }
    const char* kinds[] = {"added", "removed", "changed"};
    auto changes = Json::array();
    for (const auto& d : differences)
        changes.push_back({{"change", kinds[static_cast<int>(d.kind)]},
                           {"fields", d.fields},
                           {"before", d.before ? itemJson(*d.before) : Json(nullptr)},
                           {"after", d.after ? itemJson(*d.after) : Json(nullptr)}});
    printJson(out, {{"before", fileJson(first)},
                    {"after", fileJson(second)},
                    {"differences", std::move(changes)}});
    return kDone;
}

int conflicts(CommandRun& session, bool json, std::ostream& out) {
    const auto read = readCommandSet(session.parser().commandFile(), session.home());
    if (const auto* message = std::get_if<std::string>(&read))
        return session.refuse(*message);
    const auto& set = std::get<CommandSet>(read);
    const auto found = findConflicts(set);
    if (!json) {
        for (const auto& c : found)
            out << conflictLine(c) << '\n';
        out << found.size() << (found.size() == 1 ? " conflict\n" : " conflicts\n");
        return kDone;
    }
    auto list = Json::array();
    for (const auto& c : found)
        list.push_back({{"kind", conflictKindName(c.kind)},
                        {"phrase", c.phrase},
                        {"first", itemJson(*c.first)},
                        {"second", itemJson(*c.second)}});
    printJson(out, list);
    return kDone;
}

int restore(CommandRun& session, const RestoreOptions& options, std::ostream& out) {
    const auto read = readCommandSet(pathFromUtf8(options.archive), session.home());
    if (const auto* message = std::get_if<std::string>(&read))
        return session.refuse(*message);
    const auto& archive = std::get<CommandSet>(read);
    // The chosen items, as the archive holds them.
    const auto scope = options.scope.empty() && options.program == kGlobalCommands
                           ? std::string(kGlobalCommands)
                       : options.scope.empty() ? std::string("Application-specific")
                                               : options.scope;
    const auto program = storedProgram(options.program);
    std::vector<SetItem> chosen;
    auto choose = [&](const std::string& name, bool list) {
        for (const auto& item : archive.items)
            if (item.list == list && item.name == name &&
                (list || (item.scope == scope && item.program == program))) {
                chosen.push_back(item);
                return true;
            }
        return false;
    };
    for (const auto& name : options.picks)
        if (!choose(name, false))
            return session.refuse("The archive holds no command \"" + name + "\" in " +
                                      options.program + " | " + scope,
                                  options.archive);
    for (const auto& name : options.lists)
        if (!choose(name, true))
            return session.refuse("The archive holds no LIST \"" + name + "\"", options.archive);
    if (chosen.empty())
        return session.refuse("Choose what to restore with --pick or --list", options.archive);

    session.archiveBeforeWrite();
    const auto file = session.parser().commandFile();
    const auto work = session.operationRun();
    CountKeeper status;
    const auto outcome = restoreItems(
        work->engine(), pathFromUtf8(options.archive), chosen,
        duplicateQuestion(session.prompt(), options.onDuplicate, utf8Of(file), options.archive),
        status, session.prompt());
    if (outcome.result.code == Outcome::Code::Cancelled)
        return session.refuse("Restore cancelled; the command file was not changed", utf8Of(file));
    const auto counted = [](int n, const std::string& one, const std::string& many) {
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    return session.finishWrite(
        outcome.result,
        utf8Of(file) + ": restored " + counted(outcome.commands, "command", "commands") + " and " +
            counted(outcome.lists, "LIST", "LISTs") + " from " + options.archive,
        out);
}

} // namespace

void addCompareCommands(Commands& commands) {
    struct DiffOptions {
        std::vector<std::string> files;
        bool json = false;
    };
    auto diffOptions = std::make_shared<DiffOptions>();
    auto& diffCommand = commands.add("diff", "The differences between two command files");
    diffCommand.cli
        ->add_option("FILES", diffOptions->files, "The earlier and the later command file")
        ->required()
        ->expected(2);
    diffCommand.cli->add_flag("--json", diffOptions->json, "As JSON");
    diffCommand.alone = [diffOptions](const ProgramDir& home, std::ostream& out,
                                      std::ostream& err) {
        const auto& files = diffOptions->files;
        return diff(home, files[0], files[1], diffOptions->json, out, err);
    };

    auto conflictsJson = std::make_shared<bool>(false);
    auto& conflictsCommand =
        commands.onFile("conflicts", "Spoken forms that collide in scopes that overlap");
    conflictsCommand.cli->add_flag("--json", *conflictsJson, "As JSON");
    conflictsCommand.run = [conflictsJson](CommandRun& session, std::ostream& out) {
        return conflicts(session, *conflictsJson, out);
    };

    auto o = std::make_shared<RestoreOptions>();
    auto& restoreCommand =
        commands.add("restore", "Copy chosen commands or LISTs from an archive back into the file");
    restoreCommand.cli->add_option("ARCHIVE", o->archive, "The archive or command file")
        ->required();
    commands.takesFile(restoreCommand);
    restoreCommand.writes();
    restoreCommand.cli->add_option("--pick", o->picks, "A command to restore");
    restoreCommand.cli->add_option("--list", o->lists, "A LIST to restore");
    restoreCommand.cli->add_option("--program", o->program,
                                   "The Program of the commands (default Global Commands)");
    restoreCommand.cli->add_option("--scope", o->scope, "Their Scope");
    restoreCommand.cli
        ->add_option("--on-duplicate", o->onDuplicate, "ask, yes, no, yes-all, no-all or cancel")
        ->check(CLI::IsMember(kDuplicateAnswers));
    commands.addYes(restoreCommand.cli, "Answer OK or Yes to every question");
    restoreCommand.run = [o](CommandRun& session, std::ostream& out) {
        return restore(session, *o, out);
    };
}

} // namespace qmk::cli
