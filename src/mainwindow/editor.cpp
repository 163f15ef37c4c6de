#include "mainwindow/editor.h"

#include "actions/edit_rules.h"
#include "actions/record_actions.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "store/places.h"
#include "store/statements.h"
#include "store/user_rows.h"
#include "writer/keys_to_script.h"
#include "writer/list_names.h"
#include "writer/new_records.h"
#include "writer/rebuilds.h"
#include "writer/record_edits.h"

namespace qmk {

namespace {

const std::string kGlobal(kGlobalCommands);
const std::string kCrLfText(kCrLf);
const std::string kAdvancedTemplate = "Sub Main\r\n\r\nEnd Sub";

} // namespace

std::optional<UserRow> Editor::shown() {
    return findRow(p_.store, p_.browser.currentProgram(), p_.browser.currentScope(),
                   p_.browser.currentItemName());
}

void Editor::beginEditing() {
    editing_ = true;
    p_.browser.setEditUnsaved(true);
}

void Editor::endEditing() {
    editing_ = multiStep_ = false;
    descriptionChanged_ = groupChanged_ = toPlain_ = toAdvanced_ = false;
    caret_.reset();
    p_.browser.setEditUnsaved(false);
}

void Editor::modify() {
    const auto& shownItem = p_.browser.item();
    if (shownItem.notAvailable || (!shownItem.modifyEnabled && !toPlain_ && !toAdvanced_))
        return;
    p_.showBody();
    beginEditing();
    const auto& item = p_.browser.item();
    if (item.row && item.row->type == "A" && item.body == "Sub Main\r\n\t\r\nEnd Sub\r\n")
        caret_ = 11;
}

void Editor::abandon() {
    endEditing();
    p_.browser.reset(-1);
}

bool Editor::mayClose(const EditedTexts& texts) {
    if (!editing_)
        return true;
    const auto& name = multiStep_ ? newName_ : p_.browser.currentItemName();
    switch (p_.prompt.choose("Save changes to " + name + "?", "Quillmark10",
                             {"&Save", "&Discard", "Cancel"})) {
    case 0:
        return save(texts);
    case 1:
        abandon();
        return true;
    default:
        return false;
    }
}

// True when Dragon's Command Browser changed the file: it is read again first, and the user is
// told that the operation must be chosen again.
bool Editor::externalChangeStops(bool announce) {
    if (!p_.cycle.externalChange(true))
        return false;
    if (announce) {
        p_.status.setProgress("CBModified");
        p_.prompt.notify(Prompt::Kind::Warning, kChangedBehindUs, utf8Of(p_.commandFile()));
    }
    return true;
}

actions::FileSession Editor::fileSession(UpdateEngine& engine) {
    return {p_.store,
            engine,
            p_.prompt,
            p_.home,
            p_.commandFile(),
            false,
            "",
            {},
            [] { return false; }, // checked when the operation began
            p_.rollBackCheck,
            [this](const std::string& text) { p_.status.setProgress(text); },
            {},
            [this](const std::string& script) { return p_.voice.checkScript(script); }};
}

bool Editor::refused(const Outcome& outcome) {
    if (outcome.done())
        return false;
    if (!outcome.message.empty())
        p_.prompt.notify(outcome.kind(), outcome.message, outcome.title);
    return true;
}

bool Editor::refused(const EditResult& result) {
    if (result.ok)
        return false;
    p_.prompt.notify(Prompt::Kind::Error, result.message, result.title);
    return true;
}

std::optional<std::string> Editor::commandName() {
    const auto& program = p_.browser.currentProgram();
    const auto& scope = p_.browser.currentScope();
    const auto answer = p_.prompt.input(
        "Enter command name below:\r\n\r\nCommand will be created in: " + program +
            "\r\nScope: " + scope,
        "New Command", p_.statusText() == kNextCreateCommand ? "<" + newListName_ + ">" : "");
    if (!answer || answer->empty())
        return std::nullopt;
    if (const auto refusal = checkNewCommandName(p_.store, program, scope, *answer)) {
        p_.prompt.notify(Prompt::Kind::Warning, refusal->message, refusal->title);
        return std::nullopt;
    }
    // The LISTs the name uses are shown with it: a global one gets a copy under this Scope.
    for (const auto& list : listNamesIn(*answer))
        if (!findRow(p_.store, program, scope, list))
            if (const auto global = findRow(p_.store, kGlobal, kGlobal, list))
                p_.browser.addListCopy(*global);
    p_.status.setProgress("");
    return answer;
}

std::optional<std::string> Editor::listName() {
    const auto answer = p_.prompt.input(
        "Enter new LIST name (without <>'s)\r\n\r\nDragon allows only: \r\n(lowercase) letters, "
        "numbers, and \"_-.\"in LIST names",
        "New LIST", "");
    if (!answer || answer->empty())
        return std::nullopt;
    if (const auto refusal = checkNewListName(p_.store, *answer)) {
        p_.prompt.notify(Prompt::Kind::Warning, refusal->message, refusal->title);
        return std::nullopt;
    }
    return answer;
}

bool Editor::locationCheck() {
    model_ = shown();
    if (model_ && model_->type == "L")
        model_.reset();
    NewCommand here;
    here.program = p_.browser.currentProgram();
    if (refused(actions::placementRefusal(here, model_).value_or(Outcome())))
        return false;
    if (model_)
        return true;
    return Prompt::goesOn(p_.prompt.ask(
        "To create your first 'Global Commands' for this file, choose 'OK', otherwise 'Cancel'",
        "New Command", Prompt::Buttons::OkCancel));
}

void Editor::newCommand(const std::string& type) {
    if (externalChangeStops())
        return;
    itemType_ = type;
    const auto name = commandName();
    if (!name || !locationCheck())
        return;
    newName_ = *name;
    multiStep_ = true;
    auto& item = p_.browser.editedItem();
    item.type = typeDisplayName(type);
    item.typeIsList = false;
    item.group.clear();
    item.description.clear();
    item.activeStates.clear();
    item.bodyLocked = false;
    item.body = type == "A" ? kAdvancedTemplate : "";
    item.showGraphicVisible = false;
    const auto showing = p_.browser.showingTab();
    if (showing == CommandsTab || showing == ListsTab) {
        p_.browser.addEditedLine(CommandsTab, newName_, false);
    } else {
        p_.browser.addEditedLine(RecentlyCreatedTab, newName_, true);
        p_.browser.markStale(RecentlyCreatedTab);
    }
    beginEditing();
    if (type == "A")
        caret_ = std::string("Sub Main\r\n").size();
}

void Editor::newList() {
    if (externalChangeStops())
        return;
    const auto name = listName();
    if (!name)
        return;
    newName_ = *name;
    itemType_ = "L";
    p_.browser.setCurrent(kGlobal, kGlobal);
    p_.browser.setCurrentItemName(newName_);
    multiStep_ = true;
    auto& item = p_.browser.editedItem();
    item = {};
    item.program = item.scope = kGlobal;
    item.type = "LIST";
    item.typeIsList = true;
    item.bodyLocked = false;
    p_.browser.addEditedLine(ListsTab, newName_, false);
    beginEditing();
}

void Editor::clone() {
    if (!p_.browser.item().cloneEnabled || externalChangeStops())
        return;
    const auto row = shown();
    if (!row)
        return;
    const bool isList = row->type == "L";
    itemType_ = row->type;
    const auto name = isList ? listName() : commandName();
    if (!name)
        return;
    newName_ = *name;
    multiStep_ = true;
    if (!isList && !locationCheck()) {
        multiStep_ = false;
        return;
    }
    const auto showing = p_.browser.showingTab();
    p_.browser.addEditedLine(showing, newName_, showing >= RecentlyCreatedTab);
    beginEditing();
}

bool Editor::save(const EditedTexts& texts) {
    if (texts.body.empty()) {
        p_.prompt.notify(Prompt::Kind::Warning, "Empty content not allowed", "S&ave Changes");
        return false;
    }
    if (externalChangeStops(false)) {
        p_.toClipboard(texts.body);
        p_.prompt.message(
            "Sorry, this operation cannot be carried out because you have\r\nmodified your open "
            "user mycmds.dat file with Command Browser.\r\nQuillmark will now refresh its "
            "copy.\r\nThe macro body has been copied to the Clipboard and you can use it "
            "to\r\nretrieve (Paste) your changes and then you must perform your operation again.",
            utf8Of(p_.commandFile()));
        endEditing();
        return false;
    }
    const auto row = multiStep_ ? std::nullopt : shown();
    if (!multiStep_ && !row) {
        p_.prompt.notify(Prompt::Kind::Warning, kNoLongerAvailable, p_.browser.currentItemName());
        return false;
    }
    const auto type = multiStep_ ? itemType_ : row->type;
    p_.status.setProgress("Operation in Progress");
    p_.status.repaint();
    UpdateEngine engine({p_.home, p_.store, p_.trace, p_.files, p_.commandFile()});
    const auto session = fileSession(engine);
    const auto& program = p_.browser.currentProgram();
    const auto& scope = p_.browser.currentScope();
    const bool isList = type == "L";
    Outcome outcome;
    if (multiStep_ && isList) {
        outcome = actions::createList(session, newName_, texts.body);
    } else if (multiStep_) {
        NewCommand command;
        command.type = type;
        command.name = newName_;
        command.description = texts.description;
        command.group = texts.group;
        command.program = program;
        command.scope = scope;
        command.body = texts.body;
        outcome = actions::createCommand(session, command, model_);
    } else {
        actions::ItemChanges changes;
        if (!actions::readOnlyRefusal(*row))
            changes.body = texts.body;
        if (toPlain_ || toAdvanced_)
            changes.conversion = toPlain_ ? Conversion::ToPlainText : Conversion::ToAdvancedScript;
        if (descriptionChanged_ || groupChanged_) {
            changes.description = texts.description;
            changes.group = texts.group;
        }
        outcome = actions::saveItem(session, *row, changes);
    }
    if (refused(outcome)) {
        p_.status.setProgress("");
        if (outcome.fileChanged) {
            // A step failed and the file was put back as it was: the store reads it again.
            endEditing();
            p_.cycle.save(false);
        }
        return false;
    }
    if (multiStep_) {
        if (isList)
            newListName_ = newName_;
        p_.browser.setCurrentItemName(newName_);
        p_.history().update(program, scope, newName_, isList, false);
        p_.browser.markStale(RecentlyCreatedTab);
    } else {
        p_.history().update(program, scope, row->name, isList, true);
    }
    p_.browser.setHistory(p_.history().entries());
    const bool newListShown = isList && multiStep_;
    endEditing();
    p_.cycle.save(newListShown);
    if (newListShown)
        newListName_ = newName_;
    return true;
}

void Editor::rename() {
    if (externalChangeStops())
        return;
    const auto old = p_.browser.currentItemName();
    const auto row = shown();
    if (!row)
        return;
    const bool isList = row->type == "L";
    const auto answer = p_.prompt.input(
        std::string("Enter new ") + (isList ? "LIST" : "command") + " name", "Renaming", old);
    if (!answer || answer->empty()) {
        p_.browser.reset(-1);
        return;
    }
    UpdateEngine engine({p_.home, p_.store, p_.trace, p_.files, p_.commandFile()});
    const auto outcome = actions::renameItem(fileSession(engine), *row, *answer);
    if (refused(outcome)) {
        if (outcome.code == Outcome::Code::Refused)
            p_.browser.reset(-1);
        return;
    }
    p_.browser.setCurrentItemName(*answer);
    p_.history().update(p_.browser.currentProgram(), p_.browser.currentScope(), *answer, isList,
                        false);
    p_.browser.setHistory(p_.history().entries());
    p_.cycle.save(false);
}

void Editor::remove() {
    if (externalChangeStops())
        return;
    const auto row = shown();
    if (!row) {
        p_.prompt.notify(Prompt::Kind::Error, "Delete file error", p_.browser.currentItemName());
        p_.browser.reset(-1);
        return;
    }
    const bool isList = row->type == "L";
    // What shows next after a command: the following one of the same Program and Scope.
    std::optional<std::pair<std::string, std::string>> nextPlace;
    std::string nextName;
    if (!isList) {
        if (const auto next = places::nextCommandAfter(
                p_.store, {row->globalsort, row->program, row->scope, row->name, row->id})) {
            nextPlace.emplace(next->program, next->scope);
            nextName = next->name;
        }
    }
    UpdateEngine engine({p_.home, p_.store, p_.trace, p_.files, p_.commandFile()});
    auto session = fileSession(engine);
    session.progress = [this](const std::string& text) {
        p_.status.setProgress(text);
        p_.status.repaint();
    };
    if (refused(actions::deleteItem(session, *row)))
        return;
    if (!isList) {
        if (!nextPlace)
            p_.browser.setCurrent(kGlobal, kGlobal);
        else if (nextPlace->first == row->program && nextPlace->second == row->scope)
            p_.browser.setCurrentItemName(nextName);
        p_.browser.markStale(RecentlyCreatedTab);
    }
    p_.browser.markStale(RecentlyModifiedTab);
    p_.cycle.save(false);
    p_.history().writeOut(p_.store);
    p_.browser.setHistory(p_.history().entries());
}

void Editor::convertToPlain() {
    toPlain_ = true;
    itemType_ = "P";
    p_.browser.editedItem().type = typeDisplayName("P");
    modify();
}

void Editor::convertToAdvanced() {
    const auto& item = p_.browser.item();
    if (!item.row)
        return;
    const auto script = keysToSendKeysScript(item.row->script);
    if (!script) {
        p_.prompt.notify(Prompt::Kind::Error, " Conversion failed", "Please send to Tarnwell");
        return;
    }
    toAdvanced_ = true;
    itemType_ = "A";
    auto& edited = p_.browser.editedItem();
    edited.type = typeDisplayName("A");
    edited.body = *script;
    modify();
}

void Editor::descriptionEdited(const std::string& text) {
    if (text.empty() || editing_)
        return;
    if (p_.browser.item().typeIsList) {
        p_.browser.editedItem().description.clear();
        return;
    }
    descriptionChanged_ = true;
    beginEditing();
}

void Editor::groupEdited(const std::string& text) {
    if (text.empty() || editing_)
        return;
    if (p_.browser.item().typeIsList) {
        p_.browser.editedItem().group.clear();
        return;
    }
    groupChanged_ = true;
    beginEditing();
}

void Editor::debugWithBasic(const std::string& body) {
    if (externalChangeStops())
        return;
    p_.engine.openMyCommandsEditor();
    p_.loop.wait(std::chrono::milliseconds(500));
    if (const auto editor = p_.windows.findByTitle("MyCommands Editor"))
        p_.windows.bringToFront(editor->handle);
    p_.loop.wait(std::chrono::milliseconds(500));
    p_.windows.sendKeys("%y{end}");
    p_.windows.sendKeys("{tab 2}^{end}+(^{home})");
    p_.loop.wait(std::chrono::milliseconds(500));
    p_.windows.sendKeys("{del}");
    std::string text = body.size() > 9 ? body.substr(0, body.size() - 9) : std::string();
    std::erase(text, '\n');
    for (const char c : text) {
        // Characters that mean keys to SendKeys go in braces, so they are typed as themselves.
        const bool special = std::string_view("{}()+^%~[]").find(c) != std::string_view::npos;
        p_.windows.sendKeys(special ? std::string("{") + c + "}" : std::string(1, c));
    }
    p_.loop.wait(std::chrono::milliseconds(500));
    p_.windows.sendKeys("{bs 2}");
    p_.windows.sendKeys("% x");
    p_.windows.sendKeys("^{home}");
}

} // namespace qmk
