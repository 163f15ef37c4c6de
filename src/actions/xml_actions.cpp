#include "actions/xml_actions.h"

#include "actions/file_actions.h"
#include "common/codepage.h"
#include "common/file_io.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "format/record.h"
#include "loader/parser.h"
#include "loader/row_builder.h"
#include "store/places.h"
#include "store/statements.h"
#include "writer/xml_export.h"
#include "writer/xml_import.h"

#include <cstdio>

namespace qmk::actions {

namespace fs = std::filesystem;

namespace {

constexpr const char* kImportTitle = "Import XML";

std::optional<Outcome> missingFolder(const fs::path& target) {
    const auto folder = fs::absolute(target).parent_path();
    if (!fs::is_directory(folder))
        return Outcome::refused("Folder does not exist", utf8Of(folder));
    return std::nullopt;
}

// The XML file read, or why it cannot be.
std::optional<XmlCommandSet> readSet(const fs::path& xml, Outcome& refusal) {
    const auto bytes = readWholeFile(xml);
    if (!bytes) {
        refusal = Outcome::refused("The XML file cannot be read", utf8Of(xml));
        return std::nullopt;
    }
    std::string error;
    auto set = readXmlCommandSet(*bytes, error);
    if (!set)
        refusal = Outcome::refused(error, utf8Of(xml));
    return set;
}

// At most twenty items, one a line, then how many more.
std::string unfitList(const std::vector<std::string>& unfit) {
    constexpr std::size_t kShown = 20;
    std::string text;
    for (std::size_t i = 0; i < unfit.size() && i < kShown; ++i)
        text += "\r\n" + unfit[i];
    if (unfit.size() > kShown)
        text += "\r\nand " + std::to_string(unfit.size() - kShown) + " more";
    return text;
}

// Without --skip-unfit a single unfit item stops the import before anything is written.
std::optional<XmlOutcome> refusedUnfit(const XmlImportPlan& plan, const XmlImport& request) {
    if (plan.unfit.empty() || request.skipUnfit)
        return std::nullopt;
    XmlOutcome refusal = Outcome::refused(
        std::to_string(plan.unfit.size()) + (plan.unfit.size() == 1 ? " item" : " items") +
            " of the XML cannot go into a command file; nothing was imported:" +
            unfitList(plan.unfit),
        kImportTitle);
    refusal.unfit = plan.unfit;
    return refusal;
}

// What an import did; its numbers add up to the commands the XML holds.
struct Imported {
    int commands = 0, replaced = 0, kept = 0, lists = 0;
    std::map<std::string, int> byType;
};

std::string importSummary(const XmlImportPlan& plan, const Imported& done) {
    std::string text = "Imported " + std::to_string(done.commands) +
                       (done.commands == 1 ? " command" : " commands");
    if (const auto types = typeCounts(done.byType); !types.empty())
        text += " (" + types + ")";
    text += ", " + std::to_string(done.replaced) + " replaced, " + std::to_string(done.lists) +
            (done.lists == 1 ? " LIST" : " LISTs") + " added";
    if (done.kept > 0)
        text += "; " + std::to_string(done.kept) + " the file held already, kept as they were";
    if (plan.duplicates > 0)
        text += "; " + std::to_string(plan.duplicates) +
                " the XML held a second time under one name, one of each kept";
    if (!plan.unfit.empty())
        text += "; left out " + std::to_string(plan.unfit.size()) + ":" + unfitList(plan.unfit);
    return text;
}

Outcome importCancelled(const fs::path& file) {
    auto outcome = Outcome::refused("Import cancelled at a duplicate command; " + utf8Of(file) +
                                        " was not changed",
                                    kImportTitle);
    outcome.code = Outcome::Code::Cancelled;
    return outcome;
}

std::optional<Outcome> unknownLanguage(const XmlCommandSet& set) {
    const auto code = languageCodeOf(set.languageId);
    if (layout::languageName(code) != "Unknown")
        return std::nullopt;
    char id[16];
    std::snprintf(id, sizeof id, "0x%X", static_cast<unsigned>(set.languageId));
    return Outcome::refused(std::string("The XML's language ") + id +
                                " is none of the five a command file holds (English, German, "
                                "French, Spanish, Dutch)",
                            kImportTitle);
}

} // namespace

XmlOutcome exportXml(const OperationContext& s, const ReportRequest& selection,
                     const fs::path& target, xmltext::Encoding encoding) {
    if (auto refusal = missingFolder(target))
        return *refusal;
    // Never over the file read, the user's own file or any other command file; another file
    // only after the user's OK.
    const WriteTarget xml{target, WriteTarget::Kind::Text, s.commandFile, s.usersOwnFile};
    if (const auto refusal = writeRefusal(xml))
        return Outcome::refused("The XML file cannot be written there: " + *refusal,
                                utf8Of(target));
    if (fs::exists(target) && !Prompt::goesOn(s.prompt.ask(kOverwriteQuestion, utf8Of(target),
                                                           Prompt::Buttons::OkCancel)))
        return Outcome::cancelled();
    const auto chosen = selectForTool(s, selection);
    if (!chosen.outcome.done())
        return chosen.outcome;
    if (s.progress)
        s.progress("Exporting to XML");
    const auto keys = KeyNames::load(s.home.file(files::kKeyNames)).value_or(KeyNames{});
    // Records Dragon does not load have no row; they go when the choice and the View take them.
    const auto filename = utf8Of(s.commandFile.filename());
    // A record of a type no View shows goes with the choice, to be named as left out.
    const auto exported = collectXmlExport(
        s.engine, chosen.rows, keys,
        [&](const CommandRecord& record) {
            const auto row = commandRow(record, filename, "");
            return selectionHolds(selection, row) &&
                   (record.type() == ItemType::None || !s.outlets.shown || s.outlets.shown(row));
        },
        selection.choice == ReportRequest::Choice::All);
    if (exported.refusal)
        return Outcome::failed(exported.refusal->message, exported.refusal->title);
    if (exported.set.commands.empty())
        return Outcome::refused("Nothing could be written: " + exported.summary(), utf8Of(target));
    const auto written = writeXmlFile(s.engine.context().files, xml, exported.set, encoding);
    if (!written.done())
        return Outcome::failed(written.message, written.title);
    rememberExportFolder(s.store, fs::absolute(target).parent_path());
    XmlOutcome outcome = Outcome::success("XML Export Completed", utf8Of(target), false);
    outcome.written = target;
    outcome.summary = exported.summary();
    return outcome;
}

bool isImportFormat(const std::string& label) {
    for (const auto& info : layout::kGenerations)
        if (info.label == label)
            return true;
    return false;
}

XmlOutcome importXmlToNewFile(FileOps& files, const XmlImport& request, const fs::path& target,
                              const std::string& format, const DuplicateQuestion& duplicates) {
    const layout::GenerationInfo* generation = nullptr;
    for (const auto& info : layout::kGenerations)
        if (info.label == format)
            generation = &info;
    if (!generation)
        return Outcome::refused("There is no " + format + " format to import into", kImportTitle);
    if (fs::exists(target))
        return Outcome::refused("The target exists already", utf8Of(target));
    if (auto refusal = missingFolder(target))
        return *refusal;
    Outcome refusal;
    const auto set = readSet(request.xml, refusal);
    if (!set)
        return refusal;
    if (auto language = unknownLanguage(*set))
        return *language;
    const auto language = layout::languageName(languageCodeOf(set->languageId));
    if (generation->generation == layout::Generation::V6 && language != "English")
        return Outcome::refused("There is no " + std::string(language) + " version " +
                                    std::string(generation->versionText),
                                kImportTitle);
    const auto plan = planXmlImport(*set, generation->generation, {{}, false, duplicates});
    if (plan.cancelled)
        return importCancelled(target);
    if (auto unfit = refusedUnfit(plan, request))
        return *unfit;
    try {
        writeTarget(files, {target, WriteTarget::Kind::CommandFile, request.xml, {}},
                    plan.commandFile(generation->versionCode, languageCodeOf(set->languageId)));
    } catch (const FileError& error) {
        return Outcome::failed(error.what(), "The command file was not written");
    }
    XmlOutcome outcome = Outcome::success("Import Operation Completed", utf8Of(target), false);
    outcome.written = target;
    outcome.summary = importSummary(
        plan, {static_cast<int>(plan.commands), 0, 0, static_cast<int>(plan.lists), plan.byType});
    return outcome;
}

XmlOutcome importXmlIntoOpenFile(const OperationContext& s, const XmlImport& request) {
    if (auto stale = refusedBeforeSelection(s))
        return *stale;
    Outcome refusal;
    const auto set = readSet(request.xml, refusal);
    if (!set)
        return refusal;
    auto& engine = s.engine;
    if (!engine.load() || engine.image().size() < layout::kHeaderSize)
        return Outcome::refused("The command file cannot be read", utf8Of(s.commandFile));
    const auto version = static_cast<std::uint8_t>(engine.image()[layout::kVersionOffset]);
    const auto language = static_cast<std::uint8_t>(engine.image()[layout::kLanguageOffset]);
    if (languageCodeOf(set->languageId) != language)
        return Outcome::refused(
            "The XML's commands are " +
                std::string(layout::languageName(languageCodeOf(set->languageId))) + " and " +
                utf8Of(s.commandFile.filename()) + " is " +
                std::string(layout::languageName(language)) +
                ": commands go only into a file of their own language",
            kImportTitle);
    const std::string global(kGlobalCommands);
    const auto targetLists = [&](const std::string& name) -> std::optional<std::string> {
        const auto list = places::findRow(s.store, global, global, codepage::toUtf8(name));
        if (!list || list->type != ItemType::List)
            return std::nullopt;
        return codepage::fromUtf8(list->script).bytes;
    };
    const auto plan = planXmlImport(*set, engine.generation(), {targetLists, true, s.duplicates});
    if (plan.cancelled)
        return importCancelled(s.commandFile);
    if (auto unfit = refusedUnfit(plan, request))
        return *unfit;
    if (plan.commands == 0)
        return Outcome::refused("The XML holds no command to import" + unfitList(plan.unfit),
                                kImportTitle);

    // The set becomes a command file of the target's own format, read into a store of its own,
    // every row exported onto the end of the open file.
    const auto& context = engine.context();
    const auto scratch = s.home.file("XmlImport.dat");
    try {
        context.files.writeScratch(scratch, plan.commandFile(version, language));
    } catch (const FileError& error) {
        return Outcome::failed(error.what(), "The command file was not changed");
    }
    auto store = openCommandStore(":memory:");
    NullStatus status;
    Parser parser(ParseContext{s.home, *store, context.trace, status, s.prompt, {}});
    if (!parser.parse(true, utf8Of(scratch)).ok())
        return Outcome::failed("The imported commands cannot be read back", utf8Of(scratch));
    if (s.progress)
        s.progress("Importing");
    if (s.archiveBeforeWrite)
        s.archiveBeforeWrite();
    try {
        // The backup the verification after the write puts back when the new file fails.
        keepBackup(context.files, s.home, s.commandFile, engine.image());
    } catch (const FileError& error) {
        return Outcome::failed(error.what(), "The command file was not changed");
    }
    UpdateEngine source(EngineContext{s.home, *store, context.trace, context.files, scratch});
    const auto exported = exportCommands(source, statements::selectAll(*store), s.commandFile,
                                         ExportMode::Append, s.duplicates);
    std::error_code ignored;
    fs::remove(scratch, ignored);
    if (exported.result.code == Outcome::Code::Cancelled)
        return importCancelled(s.commandFile);
    if (!exported.result.done())
        return Outcome::failed(exported.result.message, exported.result.title);
    XmlOutcome outcome = Outcome::success("Import Operation Completed", utf8Of(s.commandFile));
    outcome.written = s.commandFile;
    outcome.summary = importSummary(plan, {exported.exported, exported.replaced, exported.kept,
                                           exported.lists, exported.byType});
    return outcome;
}

} // namespace qmk::actions
