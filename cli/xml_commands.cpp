#include "actions/xml_actions.h"
#include "commands.h"
#include "common/utf8_path.h"

#include <filesystem>
#include <memory>
#include <ostream>

namespace qmk::cli {

namespace {

struct ImportOptions {
    std::string xml;
    std::string format = "10.x";
    std::string onDuplicate = "ask";
    bool skipUnfit = false;
};

// An import that left items out without --skip-unfit: each named, nothing written.
int refusedUnfit(CommandRun& session, const Outcome& outcome) {
    session.prompt().message(outcome.message, outcome.title);
    return kQuestion;
}

int importXml(const ImportOptions& o, const std::string& target, CommandRun& session,
              std::ostream& out) {
    const actions::XmlImport request{pathFromUtf8(o.xml), o.skipUnfit};
    actions::XmlOutcome outcome;
    if (std::filesystem::exists(pathFromUtf8(target))) {
        const auto work = session.operationRun();
        auto& context = work->context();
        context.duplicates = duplicateQuestion(session.prompt(), o.onDuplicate, target, o.xml);
        outcome = actions::importXmlIntoOpenFile(context, request);
    } else {
        outcome = actions::importXmlToNewFile(
            session.files(), request, pathFromUtf8(target), o.format,
            duplicateQuestion(session.prompt(), o.onDuplicate, target, o.xml));
    }
    if (!outcome.unfit.empty())
        return refusedUnfit(session, outcome);
    return session.finish(outcome, target + ": " + outcome.message + " (" + outcome.summary + ")",
                          out);
}

} // namespace

void addXmlImportCommand(Commands& commands) {
    auto o = std::make_shared<ImportOptions>();
    auto& command = commands.add("import-xml", "Bring the commands of a Dragon XML file into "
                                               "a command file (new, or appended to)");
    command.cli->add_option("XML", o->xml, "The XML file")->required();
    command.cli->add_option("--to", commands.shared().file, "The command file")->required();
    command.cli->add_option("--format", o->format, "A new file's format (default 10.x)")
        ->check(CLI::Validator(
            [](const std::string& label) {
                return actions::isImportFormat(label) ? std::string()
                                                      : "10.x, 8/9, 7.x, 6.1 or 6.0";
            },
            "FORMAT"));
    command.cli
        ->add_option("--on-duplicate", o->onDuplicate, "ask, yes, no, yes-all, no-all or cancel")
        ->check(CLI::IsMember(kDuplicateAnswers));
    command.cli->add_flag("--skip-unfit", o->skipUnfit,
                          "Import what fits and list the rest (otherwise nothing is written)");
    commands.addYes(command.cli, "Answer OK or Yes to every question");
    command.writes();
    auto& shared = commands.shared();
    // An existing target is read like any command file before it is appended to.
    command.open = [&shared](CommandRun& session) {
        return std::filesystem::exists(pathFromUtf8(shared.file))
                   ? session.parse(shared.file, shared.force)
                   : kDone;
    };
    command.run = [o, &shared](CommandRun& session, std::ostream& out) {
        return importXml(*o, shared.file, session, out);
    };
}

} // namespace qmk::cli
