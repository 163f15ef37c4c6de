#include "actions/record_actions.h"

#include "actions/edit_rules.h"
#include "common/file_io.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "format/record.h"
#include "store/statements.h"
#include "store/user_rows.h"
#include "writer/keys_to_script.h"
#include "writer/rebuilds.h"

namespace qmk::actions {

namespace {

Outcome failed(const Outcome& result) {
    return Outcome::failed(result.message, result.title);
}

Outcome saved() {
    return Outcome::success("", "");
}

void archive(const OperationContext& s) {
    if (s.archiveBeforeWrite)
        s.archiveBeforeWrite();
}

ItemType typeAfter(const UserRow& row, const std::optional<Conversion>& conversion) {
    if (!conversion)
        return row.type;
    return *conversion == Conversion::ToPlainText ? ItemType::PlainText : ItemType::AdvancedScript;
}

} // namespace

std::optional<Outcome> readOnlyRefusal(const UserRow& row) {
    if (row.encrypted)
        return Outcome::refused("This command has been encrypted, and cannot be edited", row.name);
    if (row.type == ItemType::TextAndGraphics || row.type == ItemType::MacroRecorder ||
        row.type == ItemType::StepByStep)
        return Outcome::refused("The body of this command cannot be edited",
                                typeDisplayName(row.type));
    return std::nullopt;
}

Outcome saveItem(const OperationContext& s, const UserRow& row, const ItemChanges& changes) {
    std::optional<std::string> body;
    if (changes.body || changes.conversion) {
        if (auto refusal = readOnlyRefusal(row))
            return *refusal;
    }
    const auto type = typeAfter(row, changes.conversion);
    if (changes.body) {
        if (changes.body->empty())
            return Outcome::refused("Empty content not allowed", "S&ave Changes");
        body = normaliseLineEnds(*changes.body, type);
        if (type == ItemType::Script && s.checkScript)
            if (const int line = s.checkScript(*body); line != 0)
                return Outcome::refused("Error in your script at line: " + std::to_string(line),
                                        "S&ave Changes");
        if (*body == row.script && !changes.conversion)
            body.reset();
    }
    if (changes.conversion && row.type != ItemType::Keys)
        return Outcome::refused("Only a KEYS command can be converted", row.name);
    const bool details = changes.description || changes.group;
    if (details && row.type == ItemType::List)
        return Outcome::refused("A LIST has no description or group", row.name);
    if (!body && !changes.conversion && !details)
        return Outcome::success("", "", false);

    archive(s);
    const auto before = readWholeFile(s.commandFile);
    if (!before)
        return Outcome::refused("The command file cannot be read", utf8Of(s.commandFile));
    const auto current = [&] { return UserTable(s.store).byId(row.id).value_or(row); };
    int written = 0;
    const auto step = [&](const Outcome& result) {
        if (result.done())
            ++written;
        return result;
    };
    Outcome result;
    if (body)
        result = step(replaceBody(s.engine, current(), *body));
    if (result.done() && changes.conversion)
        result = step(changeType(s.engine, current(), *changes.conversion));
    if (result.done() && details) {
        const auto now = current();
        const auto group = changes.group.value_or(now.group);
        result = step(updateDetails(s.engine, now, now.name,
                                    changes.description.value_or(now.description),
                                    group.empty() ? "User-defined" : group));
    }
    if (!result.done() && written > 0) {
        // A half-made edit is worse than none: the file goes back to what it was.
        try {
            s.engine.context().files.replaceFile(s.commandFile, *before);
            keepBackup(s.engine.context().files, s.home, s.commandFile, *before);
        } catch (const FileError& error) {
            return Outcome::refused(std::string(error.what()) +
                                        "\r\nThe command file is in \"savedat\" as it was before",
                                    utf8Of(s.commandFile));
        }
    }
    if (result.done() && written > 1) {
        // The backup is the file from before the whole edit, never one between its steps.
        try {
            keepBackup(s.engine.context().files, s.home, s.commandFile, *before);
        } catch (const FileError& error) {
            auto outcome = saved();
            outcome.followUp =
                std::string("The edit is saved, but its backup could not be kept: ") + error.what();
            return outcome;
        }
    }
    if (!result.done()) {
        auto outcome = failed(result);
        outcome.fileChanged = written > 0; // put back: the store reads the file again
        return outcome;
    }
    return saved();
}

Outcome renameItem(const OperationContext& s, const UserRow& row, const std::string& newName) {
    if (auto refusal = checkRename(s.store, row, newName))
        return *refusal;
    if (row.type == ItemType::List) {
        const auto users = commandsUsingList(s.store, row.name);
        if (!users.empty() && s.prompt.ask(listInUseQuestion(users, "Rename"), row.name,
                                           Prompt::Buttons::YesNo) != Prompt::Answer::Yes)
            return Outcome::cancelled();
    }
    archive(s);
    const auto result = updateDetails(s.engine, row, newName, row.description, row.group);
    return result.done() ? saved() : failed(result);
}

Outcome deleteItem(const OperationContext& s, const UserRow& row) {
    const bool isList = row.type == ItemType::List;
    const auto going =
        isList ? std::string() : listsGoingNote(listsGoingWith(s.store, Selection({row.id})), "it");
    if (s.prompt.ask(std::string("Delete this ") + (isList ? "LIST?" : "command?") +
                         (going.empty() ? "" : "\r\n\r\n" + going),
                     row.name, Prompt::Buttons::YesNo) != Prompt::Answer::Yes)
        return Outcome::cancelled();
    if (isList) {
        const auto users = commandsUsingList(s.store, row.name);
        if (!users.empty() && s.prompt.ask(listInUseQuestion(users, "Delete"), row.name,
                                           Prompt::Buttons::YesNo) != Prompt::Answer::Yes)
            return Outcome::cancelled();
    }
    if (s.progress)
        s.progress("Operation in Progress");
    archive(s);
    Outcome result;
    if (isList) {
        result = deleteList(s.engine, row);
    } else {
        result = deleteCommands(s.engine, Selection({row.id}));
    }
    return result.done() ? saved() : failed(result);
}

Outcome keysAsAdvancedScript(const UserRow& row) {
    if (row.type != ItemType::Keys || row.script.find('{') == std::string::npos)
        return Outcome::refused("Only a KEYS command with { can become an Advanced Script");
    return keysToScript(row.script, false);
}

Outcome keysToScript(const std::string& keys, bool dragonKeys) {
    if (const auto encoded = encodeForFile(keys, "The key string"); encoded.refusal)
        return Outcome::refused(encoded.refusal->message, encoded.refusal->title);
    const auto script = dragonKeys ? sendDragonKeysScriptOfText(keys) : sendKeysScriptOfText(keys);
    if (!script)
        return Outcome::refused(" Conversion failed", "Please send to Tarnwell");
    return Outcome::success(*script, "", false);
}

std::optional<Outcome> englishOnlyRefusal(const std::string& language) {
    if (englishLanguage(language))
        return std::nullopt;
    return Outcome::refused("Sorry, this command is only supported for English Language Users",
                            "Contact Tarnwell if you are interested in a non-English User");
}

Outcome convertKeys(const OperationContext& s, const UserRow& row, Conversion conversion) {
    if (conversion == Conversion::ToPlainText) {
        if (row.type != ItemType::Keys || row.script.find('{') != std::string::npos)
            return Outcome::refused("Only a KEYS command without { can become Plain Text");
        return saveItem(s, row, {std::nullopt, conversion, std::nullopt, std::nullopt});
    }
    if (auto refusal = englishOnlyRefusal(s.language))
        return *refusal;
    const auto script = keysAsAdvancedScript(row);
    if (!script.done())
        return script;
    return saveItem(s, row, {script.message, conversion, std::nullopt, std::nullopt});
}

std::optional<Outcome> placementRefusal(const NewCommand& command,
                                        const std::optional<UserRow>& model) {
    if ((model && model->type != ItemType::List) || command.program == kGlobalCommands)
        return std::nullopt;
    return Outcome::refused(
        "Quillmark10 cannot create a new command for this Program, Scope, Group, or View.",
        "Please pick a different Program, Scope, Group, or View");
}

std::optional<Outcome> placementCheck(const OperationContext& s, const NewCommand& command,
                                      const std::optional<UserRow>& model) {
    if (auto refusal = placementRefusal(command, model))
        return refusal;
    if ((model && model->type != ItemType::List) ||
        Prompt::goesOn(s.prompt.ask("To create your first 'Global Commands' for this file, choose "
                                    "'OK', otherwise 'Cancel'",
                                    "New Command", Prompt::Buttons::OkCancel)))
        return std::nullopt;
    return Outcome::cancelled();
}

Outcome createCommand(const OperationContext& s, NewCommand command,
                      const std::optional<UserRow>& model) {
    if (command.type != ItemType::Keys && command.type != ItemType::Script &&
        command.type != ItemType::AdvancedScript && command.type != ItemType::PlainText)
        return Outcome::refused("A new command is KEYS, SCRIPT, Advanced Scripting or Plain Text");
    if (auto refusal = checkNewCommandName(s.store, command.program, command.scope, command.name))
        return *refusal;
    if (auto refusal = placementRefusal(command, model))
        return *refusal;
    if (command.body.empty())
        return Outcome::refused("Empty content not allowed", "S&ave Changes");
    command.body = normaliseLineEnds(command.body, command.type);
    if (command.type == ItemType::Script && s.checkScript)
        if (const int line = s.checkScript(command.body); line != 0)
            return Outcome::refused("Error in your script at line: " + std::to_string(line),
                                    "S&ave Changes");
    if (command.group.empty())
        command.group = "User-defined";
    if (model && model->type != ItemType::List &&
        (!s.engine.load() ||
         !copyIdentification(s.commandFile, s.engine.generation(), *model, command)))
        return Outcome::refused("The command file cannot be read", utf8Of(s.commandFile));
    archive(s);
    const auto result = addCommandRecord(s.engine, command);
    return result.done() ? saved() : failed(result);
}

Outcome createList(const OperationContext& s, const std::string& name, const std::string& items) {
    if (auto refusal = checkNewListName(s.store, name))
        return *refusal;
    if (items.empty())
        return Outcome::refused("Empty content not allowed", "S&ave Changes");
    archive(s);
    const auto result = addListRecord(s.engine, name, normaliseLineEnds(items, ItemType::List));
    return result.done() ? saved() : failed(result);
}

} // namespace qmk::actions
