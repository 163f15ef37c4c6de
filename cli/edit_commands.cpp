#include "edit_commands.h"

#include "common/text.h"
#include "format/codepage.h"
#include "format/image_reader.h"
#include "format/keynames.h"
#include "format/record.h"
#include "mainwindow/edit_rules.h"
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

    int finish(const EditResult& result, const std::string& what) {
        return session_.finishWrite(result, what, out_);
    }

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

    // The body a Save would write, or a refusal already shown.
    std::optional<std::string> savedBody(std::string_view type) {
        auto body = bodyText();
        if (!body) {
            refuse(o_.bodyFile ? "Cannot read " + *o_.bodyFile : "Give --body or --body-file");
            return std::nullopt;
        }
        if (body->empty()) {
            refuse("Empty content not allowed");
            return std::nullopt;
        }
        return normaliseLineEnds(std::move(*body), type);
    }

    int notFound() { return refuse(selectionText() + " is not in the command file", "Not found"); }

    int setBody() {
        const auto row = selected();
        if (!row)
            return notFound();
        const auto body = savedBody(row->Type);
        if (!body)
            return kFailed;
        if (*body == row->script) {
            out_ << "unchanged\n";
            return kDone;
        }
        return finish(Update1Body(engine_, *row, *body), "body saved");
    }

    int setDetails() {
        const auto row = selected();
        if (!row)
            return notFound();
        const std::string name = o_.newName.value_or(row->name);
        if (name != row->name)
            if (const auto refusal = checkRename(session_.store(), *row, name))
                return refuse(refusal->message, refusal->title);
        if (row->Type == "L" && (o_.description || o_.group))
            return refuse("A LIST has no description or group");
        return finish(UpdateFirstThings(engine_, *row, name,
                                        o_.description.value_or(row->description),
                                        o_.group.value_or(row->owner)),
                      "details saved");
    }

    int rename() {
        const auto row = selected();
        if (!row)
            return notFound();
        if (const auto refusal = checkRename(session_.store(), *row, o_.to))
            return refuse(refusal->message, refusal->title);
        if (row->Type == "L") {
            const auto users = commandsUsingList(session_.store(), row->name);
            if (!users.empty() && !o_.yes)
                return refuse(listInUseQuestion(users, "Rename") + "\r\n(give --yes to rename)",
                              row->name);
        }
        return finish(UpdateFirstThings(engine_, *row, o_.to, row->description, row->owner),
                      "renamed");
    }

    int toPlain() {
        const auto row = selected();
        if (!row)
            return notFound();
        if (row->Type != "K" || row->script.find('{') != std::string::npos)
            return refuse("Only a KEYS command without { can become Plain Text");
        return finish(Updatechangetype(engine_, *row, Conversion::ToPlainText),
                      "converted to Plain Text");
    }

    int toAdvanced() {
        const auto row = selected();
        if (!row)
            return notFound();
        if (row->Type != "K" || row->script.find('{') == std::string::npos)
            return refuse("Only a KEYS command with { can become an Advanced Script");
        const auto script = keysToSendKeysScript(row->script);
        if (!script)
            return refuse(" Conversion failed", "Please send to Tarnwell");
        auto result = Update1Body(engine_, *row, normaliseLineEnds(*script, "A"));
        if (result.ok)
            result = Updatechangetype(engine_, *row, Conversion::ToAdvancedScript);
        return finish(result, "converted to Advanced Script");
    }

    // The identification strings of the command the new one sits beside.
    bool copyIdentification(NewCommand& command) {
        const auto program = storedProgram(o_.program);
        const auto scope = scopeOf(o_);
        std::optional<UserRow> model;
        if (o_.like)
            model = findRow(session_.store(), program, scope, *o_.like);
        else
            model = firstCommandOf(session_.store(), program, scope);
        if (!model || model->Type == "L") {
            if (program == kGlobal)
                return true; // the file's first global command
            refuse("Quillmark10 cannot create a new command for this Program, Scope, Group, or "
                   "View.",
                   "Please pick a different Program, Scope, Group, or View");
            return false;
        }
        if (!qmk::copyIdentification(session_.parser().commandFile(),
                                     session_.parser().properties().generation, *model, command)) {
            refuse("The command file cannot be read");
            return false;
        }
        return true;
    }

    int newCommand() {
        if (o_.type != "K" && o_.type != "S" && o_.type != "A" && o_.type != "P")
            return refuse("--type is one of K, S, A, P");
        NewCommand command;
        command.type = o_.type;
        command.name = o_.name;
        command.program = storedProgram(o_.program);
        command.scope = scopeOf(o_);
        command.description = o_.description.value_or("");
        command.group = o_.group.value_or("User-defined");
        if (const auto refusal =
                checkNewCommandName(session_.store(), command.program, command.scope, o_.name))
            return refuse(refusal->message, refusal->title);
        if (!copyIdentification(command))
            return kFailed;
        const auto body = savedBody(o_.type);
        if (!body)
            return kFailed;
        command.body = *body;
        return finish(NewCommandRecord(engine_, command), "command added");
    }

    int newList() {
        if (const auto refusal = checkNewListName(session_.store(), o_.name))
            return refuse(refusal->message, refusal->title);
        const auto body = bodyText();
        if (!body || body->empty())
            return refuse(body ? "Empty content not allowed" : "Give --body or --body-file");
        return finish(NewListRecord(engine_, o_.name, *body), "LIST added");
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
    session.RollBackCheck();
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
