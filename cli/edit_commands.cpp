#include "edit_commands.h"

#include "actions/edit_rules.h"
#include "actions/record_actions.h"
#include "common/text.h"
#include "format/codepage.h"
#include "format/image_reader.h"
#include "format/keynames.h"
#include "format/record.h"
#include "writer/keys_to_script.h"
#include "writer/new_records.h"
#include "writer/record_edits.h"

#include <fstream>
#include <iostream>
#include <sstream>

namespace qmk::cli {

namespace {

const std::string kGlobal(kGlobalCommands);

std::string scopeOf(const EditOptions& o) {
    if (o.scope)
        return *o.scope;
    return o.program == kGlobal ? kGlobal : "Application-specific";
}

class Editor {
public:
    Editor(const EditOptions& options, Session& session, std::ostream& out, std::istream& in)
        : o_(options), session_(session), out_(out), in_(in),
          engine_(EngineContext{session.home(), session.store(), session.trace(), session.files(),
                                session.parser().commandFile()}) {}

    int run(EditCommand command) {
        switch (command) {
        case EditCommand::SetBody:
            return setBody();
        case EditCommand::SetDetails:
            return setDetails();
        case EditCommand::Rename:
            return rename();
        case EditCommand::ToPlain:
            return toPlain();
        case EditCommand::ToAdvanced:
            return toAdvanced();
        case EditCommand::New:
            return newCommand();
        case EditCommand::NewList:
            return newList();
        }
        return kUsage;
    }

private:
    int refuse(const std::string& message, const std::string& title = "Quillmark10") {
        return session_.refuse(message, title);
    }

    int finish(const Outcome& outcome, const std::string& what) {
        return session_.finish(outcome, outcome.fileChanged ? what : "unchanged", out_);
    }

    actions::FileSession context() { return session_.fileSession(engine_); }

    std::optional<UserRow> selected() {
        if (o_.list)
            return findRow(session_.store(), kGlobal, kGlobal, *o_.list);
        return findRow(session_.store(), storedProgram(o_.program), scopeOf(o_), o_.name);
    }

    std::string selectionText() const {
        return o_.list
                   ? "LIST " + *o_.list
                   : "\"" + o_.name + "\" in " + storedProgram(o_.program) + " / " + scopeOf(o_);
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
        command.type = o_.type;
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
        return finish(actions::createCommand(context(), command, model), "command added");
    }

    int newList() {
        const auto body = givenBody();
        if (!body)
            return kFailed;
        return finish(actions::createList(context(), o_.name, *body), "LIST added");
    }

    const EditOptions& o_;
    Session& session_;
    std::ostream& out_;
    std::istream& in_;
    UpdateEngine engine_;
};

} // namespace

std::string storedProgram(const std::string& program) {
    if (program == kGlobal)
        return program;
    const auto encoded = codepage::fromUtf8(program);
    return encoded.ok ? codepage::toUtf8(codepage::toUpper(encoded.bytes)) : program;
}

int runEdit(EditCommand command, const EditOptions& options, Session& session, std::ostream& out,
            std::istream& in) {
    return Editor(options, session, out, in).run(command);
}

int keysToScript(const std::string& keys, const std::string& form, std::ostream& out,
                 Prompt& prompt) {
    if (form == "senddragonkeys") {
        out << keysToSendDragonKeysScript(keys) << '\n';
        return kDone;
    }
    const auto script = keysToSendKeysScript(keys);
    if (!script) {
        prompt.message(" Conversion failed", "Please send to Tarnwell");
        return kFailed;
    }
    out << *script << '\n';
    return kDone;
}

} // namespace qmk::cli
