#pragma once

#include "actions/operation_context.h"
#include "actions/operation_run.h"
#include "common/file_io.h"
#include "common/message_loop.h"
#include "common/outcome.h"
#include "common/program_dir.h"
#include "common/prompt.h"
#include "common/status_sink.h"
#include "common/trace.h"
#include "format/layout.h"
#include "mainwindow/browser.h"
#include "mainwindow/edit_gate.h"
#include "mainwindow/history.h"
#include "platform/dragon_engine.h"
#include "platform/voice_command.h"
#include "platform/window_system.h"
#include "session/save_cycle.h"
#include "store/database.h"
#include "writer/update_engine.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace qmk {

inline constexpr const char* kNextCreateCommand =
    "You must NEXT create a command using created LIST";

// The command menu of the main window: Modify, Save, Abandon, the New commands, New LIST, Clone,
// Rename, Delete, the two conversions and Debug with Basic. It edits the shown item through the
// writers and hands every change to the save cycle.
class Editor {
public:
    struct Parts {
        Database& store;
        Browser& browser;
        Prompt& prompt;
        StatusSink& status;
        Trace& trace;
        FileOps& files;
        ProgramDir home;
        SaveCycle& cycle;
        VoiceCommand& voice;
        DragonEngine& engine;
        WindowSystem& windows;
        MessageLoop& loop;
        std::function<RecentHistory&()> history;
        std::function<std::filesystem::path()> commandFile;
        std::function<layout::Generation()> generation;
        std::function<void()> archiveBeforeWrite;
        std::function<void(const std::string&)> toClipboard;
        std::function<std::string()> statusText; // the status line as it reads now
        // Modify makes the body visible: a pane slider at 10 (no body shown) moves to 8.
        std::function<void()> showBody = [] {};
    };
    explicit Editor(Parts parts) : p_(std::move(parts)), gate_(p_.browser.gate()) {}

    void modify();
    void abandon();
    void newCommand(ItemType type);
    void newList();
    void clone();
    // Saves what was typed into the item fixed when the edit began. False when Save was refused
    // and editing goes on (or the file was read again and the edit ended).
    bool save();
    // The texts typed, then Save: for a front end that hands over all three at once.
    bool save(const ItemTexts& typed);
    // The window is about to close: while editing, asks whether to save the edit, discard it or
    // keep the window open. True when the window may close.
    bool mayClose();
    void rename();
    void remove();
    void convertToPlain();
    void convertToAdvanced();
    void debugWithBasic();
    // The user typed into a field of the item view (texts in the window's form, CR LF line
    // breaks). Typing begins an edit where the shown item allows one; false when the text is not
    // taken, and the window shows the item's own again.
    bool bodyEdited(const std::string& text);
    bool descriptionEdited(const std::string& text) {
        return detailEdited(&ItemTexts::description, text);
    }
    bool groupEdited(const std::string& text) { return detailEdited(&ItemTexts::group, text); }

    // What the three fields show: what was typed while editing, else the shown item's texts.
    ItemTexts texts() const;
    bool editing() const { return gate_.editing(); }
    // A new command, new LIST or clone is being made (selections do not change the view).
    bool creating() const { return gate_.editing() && gate_.target().creates(); }
    // Where the caret goes in the body after the operation that began an edit: characters
    // before it, CR LF counting two. Asked once.
    std::optional<std::size_t> takeCaret() { return std::exchange(caret_, std::nullopt); }

private:
    std::optional<std::string> commandName();
    std::optional<std::string> listName();
    // The command a new one sits beside; nullopt when the window's place takes none.
    std::optional<std::optional<UserRow>> locationCheck();
    // Begins an edit of the item shown; false when it cannot be edited.
    bool beginExisting(std::optional<Conversion> conversion = std::nullopt,
                       std::optional<std::string> body = std::nullopt);
    void beginCreating(EditTarget target, ItemTexts texts);
    bool detailEdited(std::string ItemTexts::*field, const std::string& text);
    // Typing the window does not take: it shows the item's own texts again.
    bool refuseTyping();
    std::optional<UserRow> shown();
    bool externalChangeStops(bool announce = true);
    // An operation's engine on the open file and its session; edits check the outside change
    // when they begin, not again when they write.
    actions::OperationRunPtr operationRun();
    actions::OperationContext operationContext(UpdateEngine& engine);
    Outcome write(const EditTarget& target, const ItemTexts& typed);
    std::string bodyToWrite(const EditTarget& target, const std::string& typed) const;
    // True (after its message) when the outcome is not done.
    bool refused(const Outcome& outcome);
    Task<void> typeIntoMyCommandsEditor(std::string body);

    Parts p_;
    EditGate& gate_;
    std::string newListName_;
    std::optional<std::size_t> caret_;
};

} // namespace qmk
