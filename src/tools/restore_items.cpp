#include "tools/restore_items.h"

#include "common/text.h"
#include "common/utf8_path.h"
#include "loader/parser.h"
#include "store/statements.h"
#include "store/user_rows.h"
#include "writer/new_records.h"
#include "writer/record_edits.h"

namespace qmk {

namespace {

std::optional<UserRow> listNamed(Database& store, const std::string& name) {
    const auto id = statements::globalListId(store, name);
    if (!id)
        return std::nullopt;
    return UserTable(store).byId(*id);
}

// A cancel takes back the LISTs written before it: the file is as it was.
RestoreOutcome undone(UpdateEngine& current, const std::string& original, RestoreOutcome outcome) {
    if (outcome.lists > 0) {
        try {
            current.context().files.replaceFile(current.context().commandFile, original);
        } catch (const FileError& error) {
            return {Outcome::refused(error.what(), "The restore could not be taken back")};
        }
    }
    outcome.lists = outcome.commands = 0;
    return outcome;
}

} // namespace

RestoreOutcome restoreItems(UpdateEngine& current, const std::filesystem::path& archive,
                            const std::vector<SetItem>& chosen, const DuplicateQuestion& ask,
                            StatusSink& status, Prompt& prompt) {
    RestoreOutcome outcome;
    const auto& context = current.context();
    if (!current.load())
        return {Outcome::refused("The command file cannot be read", utf8Of(context.commandFile))};
    const std::string original(current.image());
    try {
        keepBackup(context.files, context.home, context.commandFile, original);
    } catch (const FileError& error) {
        return {notWritten(error)};
    }

    // LISTs first, while the store still describes the file.
    DuplicateAnswers answers(ask);
    for (const auto& item : chosen) {
        if (!item.list)
            continue;
        const auto held = listNamed(context.store, item.name);
        if (held) {
            const auto answer = answers.answer(
                {item.name, std::string(kGlobalCommands), std::string(kGlobalCommands)});
            if (answer == DuplicateAnswer::CancelExport) {
                outcome.result = Outcome::cancelled();
                break;
            }
            if (answer == DuplicateAnswer::No || answer == DuplicateAnswer::NoToAll)
                continue;
        }
        const auto result = held ? replaceBody(current, *held, item.body)
                                 : addListRecord(current, item.name, item.body);
        if (!result.done())
            return {result};
        ++outcome.lists;
    }
    if (outcome.result.code == Outcome::Code::Cancelled)
        return undone(current, original, outcome);

    // The commands: the archive is read into a store of its own, and its chosen rows are
    // exported onto the end of the current file.
    auto store = openCommandStore(":memory:");
    Parser parser(
        ParseContext{context.home, *store, context.trace, status, prompt, archive.parent_path()});
    if (!parser.parse(true, utf8Of(archive)).ok())
        return {Outcome::refused("The archive cannot be read", utf8Of(archive))};
    std::vector<std::int64_t> ids;
    for (const auto& item : chosen) {
        if (item.list)
            continue;
        const auto named =
            statements::selectCommandsNamed(*store, item.program, item.scope, item.name);
        ids.insert(ids.end(), named.ids().begin(), named.ids().end());
    }
    const Selection commands(std::move(ids));
    if (commands.empty())
        return outcome;
    UpdateEngine source(EngineContext{context.home, *store, context.trace, context.files, archive});
    const auto exported =
        exportCommands(source, commands, context.commandFile, ExportMode::Append, ask);
    if (exported.result.code == Outcome::Code::Cancelled) {
        outcome.result = Outcome::cancelled();
        return undone(current, original, outcome);
    }
    outcome.commands = exported.exported;
    outcome.lists += exported.lists;
    if (!exported.result.done())
        outcome.result = exported.result;
    return outcome;
}

} // namespace qmk
