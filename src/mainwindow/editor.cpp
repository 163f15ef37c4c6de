#include "mainwindow/editor.h"

#include "actions/edit_rules.h"
#include "actions/record_actions.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "mainwindow/item_display.h"
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

ItemTexts Editor::texts() const {
    if (gate_.editing())
        return gate_.typed();
    const auto& item = p_.browser.item();
    return {item.body, item.description, item.group};
}

bool Editor::beginExisting(std::optional<Conversion> conversion, std::optional<std::string> body) {
    if (gate_.editing() || !gate_.allowsLeaving())
        return false;
    const auto& item = p_.browser.item();
    if (!item.row || item.notAvailable)
        return false;
    EditTarget target;
    target.program = p_.browser.currentProgram();
    target.scope = p_.browser.currentScope();
    target.name = p_.browser.currentItemName();
    target.rowId = item.row->id;
    target.type = conversion == Conversion::ToPlainText        ? ItemType::PlainText
                  : conversion == Conversion::ToAdvancedScript ? ItemType::AdvancedScript
                                                               : item.row->type;
    target.bodyUndoubled = showsUndoubled(*item.row);
    target.conversion = conversion;
    // What the window gives back of the body when nothing was typed into it.
    const ItemTexts shownTexts{bodyFromDisplay(bodyForDisplay(item.body)), item.description,
                               item.group};
    auto typed = shownTexts;
    if (body)
        typed.body = *body;
    gate_.begin(std::move(target), shownTexts, std::move(typed));
    p_.browser.touch();
    return true;
}

void Editor::beginCreating(EditTarget target, ItemTexts texts) {
    gate_.begin(std::move(target), texts, texts);
    p_.browser.touch();
}

bool Editor::refuseTyping() {
    p_.browser.touch(); // the window shows the item's own texts again
    return false;
}

void Editor::modify() {
    const auto& item = p_.browser.item();
    if (gate_.editing() || !item.modifyEnabled)
        return;
    p_.showBody();
    if (!beginExisting())
        return;
    if (item.row->type == ItemType::AdvancedScript && item.body == "Sub Main\r\n\t\r\nEnd Sub\r\n")
        caret_ = 11;
}

void Editor::abandon() {
    gate_.end();
    p_.browser.reset(-1);
}

bool Editor::mayClose() {
    if (!gate_.editing())
        return true;
    switch (p_.prompt.choose("Save changes to " + gate_.target().name + "?", "Quillmark10",
                             {"&Save", "&Discard", "Cancel"})) {
    case 0:
        return save();
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

actions::OperationRunPtr Editor::operationRun() {
    return std::make_unique<actions::OperationRun>(
        EngineContext{p_.home, p_.store, p_.trace, p_.files, p_.commandFile()},
        [this](UpdateEngine& engine) { return operationContext(engine); });
}

actions::OperationContext Editor::operationContext(UpdateEngine& engine) {
    return {p_.store,
            engine,
            p_.prompt,
            p_.home,
            p_.commandFile(),
            false,
            "",
            {},
            [] { return false; }, // checked when the operation began
            p_.archiveBeforeWrite,
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

std::optional<std::optional<UserRow>> Editor::locationCheck() {
    auto model = shown();
    if (model && model->type == ItemType::List)
        model.reset();
    NewCommand here;
    here.program = p_.browser.currentProgram();
    if (const auto refusal = actions::placementCheck(operationRun()->context(), here, model)) {
        refused(*refusal);
        return std::nullopt;
    }
    return model;
}

void Editor::newCommand(ItemType type) {
    if (!gate_.allowsLeaving() || externalChangeStops())
        return;
    const auto name = commandName();
    if (!name)
        return;
    const auto model = locationCheck();
    if (!model)
        return;
    EditTarget target;
    target.kind = EditTarget::Kind::NewCommand;
    target.program = p_.browser.currentProgram();
    target.scope = p_.browser.currentScope();
    target.name = *name;
    target.type = type;
    target.model = *model;
    auto& item = p_.browser.editedItem();
    item.type = typeDisplayName(type);
    item.typeIsList = false;
    item.group.clear();
    item.description.clear();
    item.activeStates.clear();
    item.bodyLocked = false;
    item.showGraphicVisible = false;
    const auto showing = p_.browser.showingTab();
    if (showing == CommandsTab || showing == ListsTab) {
        p_.browser.addEditedRow(CommandsTab, {.name = target.name}, false);
    } else {
        p_.browser.addEditedRow(RecentlyCreatedTab, {target.program, target.scope, target.name},
                                true);
        p_.browser.markStale(RecentlyCreatedTab);
    }
    beginCreating(std::move(target),
                  {type == ItemType::AdvancedScript ? kAdvancedTemplate : "", "", ""});
    if (type == ItemType::AdvancedScript)
        caret_ = std::string("Sub Main\r\n").size();
}

void Editor::newList() {
    if (!gate_.allowsLeaving() || externalChangeStops())
        return;
    const auto name = listName();
    if (!name)
        return;
    EditTarget target;
    target.kind = EditTarget::Kind::NewList;
    target.program = target.scope = kGlobal;
    target.name = *name;
    target.type = ItemType::List;
    p_.browser.setCurrent(kGlobal, kGlobal);
    p_.browser.setCurrentItemName(target.name);
    auto& item = p_.browser.editedItem();
    item = {};
    item.program = item.scope = kGlobal;
    item.type = "LIST";
    item.typeIsList = true;
    item.bodyLocked = false;
    p_.browser.addEditedRow(ListsTab, {.name = target.name}, false);
    beginCreating(std::move(target), {});
}

void Editor::clone() {
    if (!gate_.allowsLeaving() || !p_.browser.item().cloneEnabled || externalChangeStops())
        return;
    const auto row = shown();
    if (!row)
        return;
    const bool isList = row->type == ItemType::List;
    const auto name = isList ? listName() : commandName();
    if (!name)
        return;
    EditTarget target;
    target.kind = EditTarget::Kind::Clone;
    target.program = p_.browser.currentProgram();
    target.scope = p_.browser.currentScope();
    target.name = *name;
    target.type = row->type;
    target.bodyUndoubled = showsUndoubled(*row);
    if (!isList) {
        const auto model = locationCheck();
        if (!model)
            return;
        target.model = *model;
    }
    const auto& item = p_.browser.item();
    const auto showing = p_.browser.showingTab();
    const bool recent = showing >= RecentlyCreatedTab;
    p_.browser.addEditedRow(showing,
                            recent ? TabRows::Row{target.program, target.scope, target.name}
                                   : TabRows::Row{.name = target.name},
                            recent);
    // Body, type, description and group keep the shown item's: Save makes a copy of it.
    beginCreating(std::move(target),
                  {bodyFromDisplay(bodyForDisplay(item.body)), item.description, item.group});
}

std::string Editor::bodyToWrite(const EditTarget& target, const std::string& typed) const {
    const auto filename = target.kind == EditTarget::Kind::Existing
                              ? UserTable(p_.store).byId(target.rowId).value_or(UserRow()).filename
                              : utf8Of(p_.commandFile().filename());
    return bodyToStore(typed, doublesBackslashes(target.type, filename), target.bodyUndoubled);
}

Outcome Editor::write(const EditTarget& target, const ItemTexts& typed) {
    const auto work = operationRun();
    const auto& session = work->context();
    const auto body = bodyToWrite(target, typed.body);
    if (target.creates() && target.type == ItemType::List)
        return actions::createList(session, target.name, body);
    if (target.creates()) {
        NewCommand command;
        command.type = target.type;
        command.name = target.name;
        command.description = typed.description;
        command.group = typed.group;
        command.program = target.program;
        command.scope = target.scope;
        command.body = body;
        return actions::createCommand(session, command, target.model);
    }
    // The row the edit began on, still where it was: nothing else may take the edit.
    const auto row = UserTable(p_.store).byId(target.rowId);
    if (!row || row->name != target.name || row->program != target.program ||
        row->scope != target.scope)
        return Outcome::refused(kNoLongerAvailable, target.name);
    const auto& shownTexts = gate_.shown();
    actions::ItemChanges changes;
    // Only what the user changed is written: a body shown and left alone is never written back,
    // unless the new type stores the text shown otherwise (a KEYS command's doubled backslashes
    // become single ones in Plain Text).
    if (typed.body != shownTexts.body) {
        changes.body = body;
    } else if (target.conversion) {
        auto same = bodyToStore(shownBody(*row), doublesBackslashes(target.type, row->filename),
                                target.bodyUndoubled);
        if (same != row->script)
            changes.body = std::move(same);
    }
    changes.conversion = target.conversion;
    if (row->type != ItemType::List &&
        (typed.description != shownTexts.description || typed.group != shownTexts.group)) {
        changes.description = typed.description;
        changes.group = typed.group;
    }
    return actions::saveItem(session, *row, changes);
}

bool Editor::save(const ItemTexts& typed) {
    if (!gate_.editing())
        return false;
    gate_.typed() = typed;
    return save();
}

bool Editor::save() {
    if (!gate_.editing())
        return false;
    const auto typed = gate_.typed();
    if (typed.body.empty()) {
        p_.prompt.notify(Prompt::Kind::Warning, "Empty content not allowed", "S&ave Changes");
        return false;
    }
    if (externalChangeStops(false)) {
        // The file was read again, which ended the edit: what was typed goes to the clipboard.
        gate_.end();
        p_.toClipboard(typed.body);
        p_.prompt.message(
            "Sorry, this operation cannot be carried out because you have\r\nmodified your open "
            "user mycmds.dat file with Command Browser.\r\nQuillmark will now refresh its "
            "copy.\r\nThe macro body has been copied to the Clipboard and you can use it "
            "to\r\nretrieve (Paste) your changes and then you must perform your operation again.",
            utf8Of(p_.commandFile()));
        return false;
    }
    const auto target = gate_.target();
    p_.status.setProgress("Operation in Progress");
    p_.status.showNow();
    const auto outcome = write(target, typed);
    if (refused(outcome)) {
        p_.status.setProgress("");
        if (outcome.fileChanged) {
            // A step failed and the file was put back as it was: the store reads it again.
            gate_.end();
            p_.cycle.save(false);
        }
        return false;
    }
    p_.status.setProgress("");
    gate_.end();
    if (!outcome.fileChanged) {
        // Nothing was changed: there is nothing for Dragon to take up.
        p_.browser.reset(-1);
        return true;
    }
    const bool isList = target.type == ItemType::List;
    p_.history().update(target.program, target.scope, target.name, isList, !target.creates());
    p_.browser.setHistory(p_.history().entries());
    if (target.creates())
        p_.browser.markStale(RecentlyCreatedTab);
    p_.browser.setCurrent(target.program, target.scope);
    p_.browser.setCurrentItemName(target.name);
    const bool newListShown = isList && target.creates();
    if (newListShown)
        newListName_ = target.name;
    p_.cycle.save(newListShown);
    return true;
}

void Editor::rename() {
    if (!gate_.allowsLeaving() || externalChangeStops())
        return;
    const auto old = p_.browser.currentItemName();
    const auto row = shown();
    if (!row)
        return;
    const bool isList = row->type == ItemType::List;
    const auto answer = p_.prompt.input(
        std::string("Enter new ") + (isList ? "LIST" : "command") + " name", "Renaming", old);
    if (!answer || answer->empty()) {
        p_.browser.reset(-1);
        return;
    }
    const auto outcome = actions::renameItem(operationRun()->context(), *row, *answer);
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
    if (!gate_.allowsLeaving() || externalChangeStops())
        return;
    const auto row = shown();
    if (!row) {
        p_.prompt.notify(Prompt::Kind::Error, "Delete file error", p_.browser.currentItemName());
        p_.browser.reset(-1);
        return;
    }
    const bool isList = row->type == ItemType::List;
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
    const auto work = operationRun();
    auto& session = work->context();
    session.progress = [this](const std::string& text) {
        p_.status.setProgress(text);
        p_.status.showNow();
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
    p_.cycle.save(false, [this] {
        p_.history().writeOut(p_.store);
        p_.browser.setHistory(p_.history().entries());
    });
}

void Editor::convertToPlain() {
    if (!p_.browser.item().convertToPlainEnabled || !beginExisting(Conversion::ToPlainText))
        return;
    p_.browser.editedItem().type = typeDisplayName(ItemType::PlainText);
    p_.showBody();
}

void Editor::convertToAdvanced() {
    const auto& item = p_.browser.item();
    if (gate_.editing() || !item.row || !item.convertToAdvancedEnabled)
        return;
    const auto script = actions::keysAsAdvancedScript(*item.row);
    if (!script.done()) {
        refused(script);
        return;
    }
    if (!beginExisting(Conversion::ToAdvancedScript, script.message))
        return;
    p_.browser.editedItem().type = typeDisplayName(ItemType::AdvancedScript);
    p_.showBody();
}

bool Editor::bodyEdited(const std::string& text) {
    if (!gate_.editing()) {
        if (!p_.browser.item().modifyEnabled || !beginExisting())
            return refuseTyping();
    }
    gate_.typed().body = text;
    return true;
}

bool Editor::detailEdited(std::string ItemTexts::*field, const std::string& text) {
    const auto& item = p_.browser.item();
    // LISTs have no description or group; an encrypted command cannot be changed at all.
    const bool noDetails = gate_.editing() ? gate_.target().type == ItemType::List
                                           : !item.row || item.typeIsList || item.row->encrypted;
    if (noDetails || (!gate_.editing() && !beginExisting()))
        return refuseTyping();
    gate_.typed().*field = text;
    return true;
}

void Editor::debugWithBasic() {
    const auto body = texts().body;
    if (externalChangeStops())
        return;
    p_.cycle.run(typeIntoMyCommandsEditor(body));
}

// Dragon's MyCommands Editor gets the body typed in, a pause before each step for it to follow.
Task<void> Editor::typeIntoMyCommandsEditor(std::string body) {
    constexpr std::chrono::milliseconds kStep{500};
    p_.engine.openMyCommandsEditor();
    co_await pause(p_.loop, kStep);
    if (const auto editor = p_.windows.findByTitle("MyCommands Editor"))
        p_.windows.bringToFront(editor->handle);
    co_await pause(p_.loop, kStep);
    p_.windows.sendKeys("%y{end}");
    p_.windows.sendKeys("{tab 2}^{end}+(^{home})");
    co_await pause(p_.loop, kStep);
    p_.windows.sendKeys("{del}");
    std::string text = body.size() > 9 ? body.substr(0, body.size() - 9) : std::string();
    std::erase(text, '\n');
    for (const char c : text) {
        // Characters that mean keys to SendKeys go in braces, so they are typed as themselves.
        const bool special = std::string_view("{}()+^%~[]").find(c) != std::string_view::npos;
        p_.windows.sendKeys(special ? std::string("{") + c + "}" : std::string(1, c));
    }
    co_await pause(p_.loop, kStep);
    p_.windows.sendKeys("{bs 2}");
    p_.windows.sendKeys("% x");
    p_.windows.sendKeys("^{home}");
}

} // namespace qmk
