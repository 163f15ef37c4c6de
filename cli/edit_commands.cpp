#include "actions/edit_rules.h"
#include "actions/record_actions.h"
#include "commands.h"
#include "common/codepage.h"
#include "common/text.h"

#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

namespace qmk::cli {

namespace {

// What the editing commands are given on the command line.
struct EditOptions {
    std::string program{kGlobalCommands};
    std::optional<std::string> scope;
    std::string name;
    std::optional<std::string> list; // --list NAME selects a LIST instead
    std::optional<std::string> body;
    std::optional<std::string> bodyFile; // "-" for standard input
    std::optional<std::string> newName;
    std::optional<std::string> description;
    std::optional<std::string> group;
    std::string to;
    std::string type;
    std::optional<std::string> like;
};

const std::string kGlobal(kGlobalCommands);

std::string scopeOf(const EditOptions& o) {
    if (o.scope)
        return *o.scope;
    return o.program == kGlobal ? kGlobal : "Application-specific";
}

class Editor {
public:
    Editor(const EditOptions& options, CommandRun& session, std::ostream& out, std::istream& in)
        : o_(options), session_(session), out_(out), in_(in), work_(session.operationRun()) {}

private:
    int refuse(const std::string& message, const std::string& title = "Quillmark10") {
        return session_.refuse(message, title);
    }

    int finish(const Outcome& outcome, const std::string& what) {
        return session_.finish(outcome, outcome.fileChanged ? what : "unchanged", out_);
    }

    const actions::OperationContext& context() { return work_->context(); }

    std::optional<UserRow> selected() {
        if (o_.list)
            return findRow(session_.store(), kGlobal, kGlobal, *o_.list);
        return findRow(session_.store(), storedProgram(o_.program), scopeOf(o_), o_.name);
    }

    std::string selectionText() const {
        return o_.list
                   ? "LIST " + quotedText(*o_.list)
                   : "\"" + quotedText(o_.name) + "\" in " + quotedText(storedProgram(o_.program)) +
                         " / " + quotedText(scopeOf(o_));
    }

    std::optional<std::string> bodyText() {
        if (o_.body)
            return o_.body;
        if (!o_.bodyFile)
            return std::nullopt;
        std::ostringstream text;
        if (*o_.bodyFile == "-") {
            text << in_.rdbuf();
        } else {
            std::ifstream file(*o_.bodyFile, std::ios::binary);
            if (!file)
                return std::nullopt;
            text << file.rdbuf();
        }
        return text.str();
    }

    // The body given, or nullopt after saying why there is none.
    std::optional<std::string> givenBody() {
        auto body = bodyText();
        if (!body)
            refuse(o_.bodyFile ? "Cannot read " + *o_.bodyFile : "Give --body or --body-file");
        return body;
    }

    int notFound() { return refuse(selectionText() + " is not in the command file", "Not found"); }

public:
    int setBody() {
        const auto row = selected();
        if (!row)
            return notFound();
        const auto body = givenBody();
        if (!body)
            return kFailed;
        return finish(actions::saveItem(context(), *row, {*body, {}, {}, {}}), "body saved");
    }

    int setDetails() {
        const auto row = selected();
        if (!row)
            return notFound();
        // The description and group first: what refuses them refuses before anything is written.
        const bool renaming = o_.newName && *o_.newName != row->name;
        if (o_.description || o_.group || !renaming) {
            const int saved =
                finish(actions::saveItem(context(), *row, {{}, {}, o_.description, o_.group}),
                       "details saved");
            if (saved != kDone || !renaming)
                return saved;
        }
        const auto now = findRow(session_.store(), row->program, row->scope, row->name);
        if (!now)
            return notFound();
        return finish(actions::renameItem(context(), *now, *o_.newName), "renamed");
    }

    int rename() {
        const auto row = selected();
        if (!row)
            return notFound();
        return finish(actions::renameItem(context(), *row, o_.to), "renamed");
    }

    int toPlain() {
        const auto row = selected();
        if (!row)
            return notFound();
        return finish(actions::convertKeys(context(), *row, Conversion::ToPlainText),
                      "converted to Plain Text");
    }

    int toAdvanced() {
        const auto row = selected();
        if (!row)
            return notFound();
        return finish(actions::convertKeys(context(), *row, Conversion::ToAdvancedScript),
                      "converted to Advanced Script");
    }

    int newCommand() {
        NewCommand command;
        command.type = itemTypeOfLetter(o_.type);
        command.name = o_.name;
        command.program = storedProgram(o_.program);
        command.scope = scopeOf(o_);
        command.description = o_.description.value_or("");
        command.group = o_.group.value_or("User-defined");
        // The command sits beside --like, else the Scope's first command.
        const auto model = o_.like
                               ? findRow(session_.store(), command.program, command.scope, *o_.like)
                               : firstCommandOf(session_.store(), command.program, command.scope);
        const auto body = givenBody();
        if (!body)
            return kFailed;
        command.body = *body;
        // Placed as the window places a new command, its question and all.
        if (const auto refusal = actions::placementCheck(context(), command, model))
            return finish(*refusal, "");
        return finish(actions::createCommand(context(), command, model), "command added");
    }

    int newList() {
        const auto body = givenBody();
        if (!body)
            return kFailed;
        return finish(actions::createList(context(), o_.name, *body), "LIST added");
    }

private:
    const EditOptions& o_;
    CommandRun& session_;
    std::ostream& out_;
    std::istream& in_;
    actions::OperationRunPtr work_;
};

} // namespace

std::string storedProgram(const std::string& program) {
    if (program == kGlobal)
        return program;
    const auto encoded = codepage::fromUtf8(program);
    return encoded.ok ? codepage::toUtf8(codepage::toUpper(encoded.bytes)) : program;
}

namespace {

int keysToScript(const std::string& keys, const std::string& form, std::ostream& out,
                 Prompt& prompt) {
    const auto outcome = actions::keysToScript(keys, form == "senddragonkeys");
    if (!outcome.done()) {
        prompt.message(outcome.message, outcome.title);
        return kFailed;
    }
    out << outcome.message << '\n';
    return kDone;
}

// The command's place in the file: a command by Program, Scope and name, or a LIST by name.
void addPlaceOptions(CLI::App* command, EditOptions& o, bool nameRequired, bool listAllowed) {
    command->add_option("--program", o.program, "The Program (default Global Commands)");
    command->add_option("--scope", o.scope, "The Scope");
    auto* name = command->add_option("--name", o.name, "The command's name");
    if (nameRequired)
        name->required();
    if (listAllowed)
        command->add_option("--list", o.list, "A LIST's name instead of a command")->excludes(name);
}

void addBodyOptions(CLI::App* command, EditOptions& o) {
    auto* body = command->add_option("--body", o.body, "The body text");
    command->add_option("--body-file", o.bodyFile, "The body from a file, - for stdin")
        ->excludes(body);
}

} // namespace

void addEditCommands(Commands& commands) {
    auto o = std::make_shared<EditOptions>();
    std::istream& in = commands.input();
    const auto edit = [&](const std::string& name, const std::string& description,
                          int (Editor::*handler)()) {
        auto& command = commands.onFile(name, description);
        command.writes();
        command.run = [o, &in, handler](CommandRun& session, std::ostream& out) {
            Editor editor(*o, session, out, in);
            return (editor.*handler)();
        };
        return command.cli;
    };

    auto* setBody = edit("set-body", "Save a new body or LIST items", &Editor::setBody);
    addPlaceOptions(setBody, *o, false, true);
    addBodyOptions(setBody, *o);

    auto* details =
        edit("set-details", "Change the name, description or group", &Editor::setDetails);
    addPlaceOptions(details, *o, false, true);
    details->add_option("--new-name", o->newName, "The new name");
    details->add_option("--description", o->description, "The new description");
    details->add_option("--group", o->group, "The new group");

    auto* rename = edit("rename", "Rename a command or LIST", &Editor::rename);
    addPlaceOptions(rename, *o, false, true);
    rename->add_option("--to", o->to, "The new name")->required();
    commands.addYes(rename, "Rename a LIST even when commands use it");

    addPlaceOptions(edit("to-plain", "Convert a KEYS command to Plain Text", &Editor::toPlain), *o,
                    false, true);
    addPlaceOptions(
        edit("to-advanced", "Convert a KEYS command to an Advanced Script", &Editor::toAdvanced),
        *o, false, true);

    auto* newCommand = edit("new", "Add a new command", &Editor::newCommand);
    addPlaceOptions(newCommand, *o, true, false);
    addBodyOptions(newCommand, *o);
    newCommand->add_option("--type", o->type, "K, S, A or P")->required();
    newCommand->add_option("--description", o->description, "The description");
    newCommand->add_option("--group", o->group, "The group");
    newCommand->add_option("--like", o->like,
                           "The command whose program and window identification to copy");
    commands.addYes(newCommand, "Make a file's first Global Command");

    auto* newList = edit("new-list", "Add a new LIST", &Editor::newList);
    newList->add_option("--name", o->name, "The new LIST's name")->required();
    addBodyOptions(newList, *o);
}

void addKeysToScriptCommand(Commands& commands) {
    struct KeysOptions {
        std::string keys;
        std::string form = "sendkeys";
    };
    auto o = std::make_shared<KeysOptions>();
    auto& command = commands.add("keys2script", "Convert a DVC key string to a script");
    command.cli->add_option("KEYSTRING", o->keys, "The key string")->required();
    command.cli->add_option("--form", o->form, "sendkeys or senddragonkeys")
        ->check(CLI::IsMember({"sendkeys", "senddragonkeys"}));
    command.alone = [o](const ProgramDir&, std::ostream& out, std::ostream& err) {
        ConsolePrompt prompt(err);
        return keysToScript(o->keys, o->form, out, prompt);
    };
}

} // namespace qmk::cli
