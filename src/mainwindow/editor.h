#pragma once

#include "actions/file_session.h"
#include "common/file_io.h"
#include "common/outcome.h"
#include "common/program_dir.h"
#include "common/prompt.h"
#include "common/status_sink.h"
#include "common/trace.h"
#include "format/layout.h"
#include "mainwindow/browser.h"
#include "mainwindow/history.h"
#include "platform/dragon_engine.h"
#include "platform/message_loop.h"
#include "platform/voice_command.h"
#include "platform/windows.h"
#include "session/save_cycle.h"
#include "store/database.h"
#include "writer/update_engine.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace qmk {

inline constexpr const char* kNextCreateCommand =
    "You must NEXT create a command using created LIST";

// What the user typed into the item view, handed over at Save.
struct EditedTexts {
    std::string body;
    std::string description;
    std::string group;
};

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
        std::function<void()> rollBackCheck;
        std::function<void(const std::string&)> toClipboard;
        std::function<std::string()> statusText; // the status line as it reads now
        // Modify makes the body visible: a pane slider at 10 (no body shown) moves to 8.
        std::function<void()> showBody = [] {};
    };
    explicit Editor(Parts parts) : p_(std::move(parts)) {}

    void modify();
    void abandon();
    void newCommand(const std::string& type);
    void newList();
    void clone();
    // False when Save was refused and editing goes on.
    bool save(const EditedTexts& texts);
    // The window is about to close: while editing, asks whether to save the edit, discard it or
    // keep the window open. True when the window may close.
    bool mayClose(const EditedTexts& texts);
    void rename();
    void remove();
    void convertToPlain();
    void convertToAdvanced();
    void debugWithBasic(const std::string& body);
    // Change notifications of the item view while browsing.
    void descriptionEdited(const std::string& text);
    void groupEdited(const std::string& text);

    bool editing() const { return editing_; }
    bool multiStep() const { return multiStep_; }
    // Where the caret goes in the body after an operation: characters before it, CR LF counting
    // two.
    std::optional<std::size_t> caret() const { return caret_; }

private:
    std::optional<std::string> commandName();
    std::optional<std::string> listName();
    bool locationCheck();
    void beginEditing();
    void endEditing();
    std::optional<UserRow> shown();
    bool externalChangeStops(bool announce = true);
    actions::FileSession fileSession(UpdateEngine& engine);
    // True (after its message) when the outcome is not done.
    bool refused(const Outcome& outcome);
    bool refused(const EditResult& result);

    Parts p_;
    bool editing_ = false;
    bool multiStep_ = false;
    bool descriptionChanged_ = false;
    bool groupChanged_ = false;
    bool toPlain_ = false;
    bool toAdvanced_ = false;
    std::string itemType_;
    std::string newName_;
    std::string newListName_;
    std::optional<UserRow> model_; // the command a new one sits beside
    std::optional<std::size_t> caret_;
};

} // namespace qmk
