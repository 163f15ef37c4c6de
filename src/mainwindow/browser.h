#pragma once

#include "common/prompt.h"
#include "common/text.h"
#include "mainwindow/edit_gate.h"
#include "mainwindow/item_display.h"
#include "store/database.h"
#include "store/user_row.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qmk {

inline constexpr std::size_t kRecentlyCreatedLines = 75;

enum Tab : int { CommandsTab = 0, ListsTab = 1, RecentlyCreatedTab = 2, RecentlyModifiedTab = 3 };

// The eight type switches of the View, in menu order.
enum class TypeSwitch { Keys, Scripts, Lists, Text, Plain, Recorder, Steps, Advanced };

enum class SelectorKind { Program, Scope, Group };

// One selector (Group, Program, Scope): its entries and the one selected.
struct Selector {
    std::vector<std::string> entries;
    int selected = -1;
    std::string value() const; // the selected entry without its spoken number
};

// One result tab: the items it lists, in order, and the one selected (-1 when the tab is empty,
// which the window says with "Nothing to show"). The Recently tabs' rows carry each item's
// Program and Scope; the Commands and LISTs tabs list items of the current Program and Scope.
struct TabRows {
    struct Row {
        std::string program{}, scope{}, name{};
        bool operator==(const Row&) const = default;
    };
    std::vector<Row> rows;
    int selected = -1;

    bool empty() const { return rows.empty(); }
    std::size_t size() const { return rows.size(); }
    std::vector<std::string> names() const;
};

// What the View lets through.
struct ViewSwitches {
    std::array<bool, 8> on{true, true, true, true, true, true, true, true};
    bool all = true;
    bool followCommand = false; // "&1 command with its LISTs"
    bool followList = false;    // "1 LIST with &calling COMMANDS"
    std::string followedCommand;
    std::string followedList;
};

// The browsing model of the main window: the Group, Program and Scope selectors, the four tabs,
// the View and `reset`. Widgets render its state and forward the user's choices; a choice that
// would show another item asks the editing gate first, and is refused while an edit is open.
class Browser {
public:
    Browser(Database* store, EditGate& gate) : store_(store), gate_(gate) {}

    void setStore(Database* store) { store_ = store; }
    // Menu numbering prefixes selector entries; the browser reads values without them.
    void buildGroupList();
    // After the file was read again: the Group list built anew and the Program list marked for
    // it, so that Groups and Programs that came or went show; `reset` follows.
    void rebuildSelectors();
    void buildProgramList();
    void buildScopeList(const std::string& program);
    void selectGroup(int position);
    // Without `automaticScope` the Scope stays to be chosen (the Asleep rule still applies).
    void selectProgram(int position, bool automaticScope = true);
    void selectScope(int position);
    // A name typed into a selector's box and confirmed: the entry it names best is chosen; a
    // Program outside the Group shown is chosen with All groups. Returns what the status line
    // says: why nothing was chosen, or that the Group changed; empty when it went as typed.
    std::string chooseTyped(SelectorKind kind, const std::string& typed);
    void fillCommandsTab();
    void fillListsTab();
    void fillRecentlyCreatedTab();
    void fillRecentlyModifiedTab();
    // A tab chosen by mouse, keyboard or voice.
    void selectTab(int tab);
    void selectLine(int tab, int line);
    // Rebuilds the selectors and tabs after a change; an edit still open ends.
    void reset(int whichTab);
    bool passesView(const UserRow& row) const;

    // View commands; each ends with reset(-1).
    void viewAll();
    void toggle(TypeSwitch which);
    void viewOnly(TypeSwitch which);
    // The two follow switches of the View menu; refusals go through the prompt.
    void followCommand(Prompt& prompt);
    void followList(Prompt& prompt);
    const ViewSwitches& view() const { return view_; }
    ViewSwitches& viewSwitches() { return view_; }

    // The Recently Modified history (entries "Program<tab>Scope<tab>name", newest first).
    void setHistory(std::vector<std::string> history);
    const std::vector<std::string>& history() const { return history_; }

    // Start: "All groups", "Global Commands"; the lists built and reset.
    void start();
    void markStale(int tab) { stale_[static_cast<std::size_t>(tab)] = true; }
    EditGate& gate() { return gate_; }
    void setFindHighlight(bool on) { findHighlight_ = on; }
    void setCurrentItemName(std::string name) { currentItem_ = std::move(name); }
    // Find's match in a body: selected in the body when the item is next shown.
    void setHighlight(std::size_t start, std::size_t length) {
        findHighlight_ = true;
        highlight_ = {start, length};
    }
    void setListsPair(std::string program, std::string scope) {
        listsPair_ = {std::move(program), std::move(scope)};
    }

    const Selector& groups() const { return groups_; }
    // The selectors as spoken numbering changes their entries' texts.
    Selector& programSelector() { return programs_; }
    Selector& scopeSelector() { return scopes_; }
    Selector& groupSelector() { return groups_; }
    void touch() { changed(); }
    // Told after every change, so a window renders when something moved instead of asking.
    void onChange(std::function<void()> listener) { listener_ = std::move(listener); }
    // Told after each selector list is built (spoken numbering registers its numbers then).
    void onSelectorBuilt(std::function<void(SelectorKind)> built) { built_ = std::move(built); }
    const Selector& programs() const { return programs_; }
    const Selector& scopes() const { return scopes_; }
    const TabRows& tab(int which) const { return tabs_[static_cast<std::size_t>(which)]; }
    int showingTab() const { return showing_; }
    const std::string& currentGroup() const { return currentGroup_; }
    bool allGroups() const { return allGroupsFlag_; }
    const std::string& currentProgram() const { return currentProgram_; }
    const std::string& currentScope() const { return currentScope_; }
    const std::string& currentItemName() const { return currentItem_; }
    void setCurrent(std::string program, std::string scope);
    // The item shown for the selected line; the editor changes it while it edits.
    const ItemView& item() const { return item_; }
    // What Print sends to the printer: the item's place and name, an empty line, the body.
    std::string printedItem() const;
    ItemView& editedItem() {
        changed();
        return item_;
    }
    // A row added by the editor for the item it creates, selected, and that tab shown.
    void addEditedRow(int tab, TabRows::Row row, bool first);
    // The copy rule: a global LIST copied under the current Program and Scope.
    void addListCopy(const UserRow& global);
    // Whether the user's language is English, asked as each item is shown.
    void setEnglish(std::function<bool()> english) { english_ = std::move(english); }
    // Counts every change, so the window repaints only what moved.
    std::uint64_t version() const { return version_; }

private:
    bool storeOpen() const { return store_ != nullptr; }
    void changed() {
        ++version_;
        if (listener_)
            listener_();
    }
    void viewChanged();
    void fillGroupEntries();
    std::vector<UserRow> block(const std::string& program, const std::string& scope);
    void listHousekeeping(const std::vector<UserRow>& rows);
    void selectRowNamed(TabRows& tab, const std::string& name);
    std::optional<UserRow> find(const std::string& program, const std::string& scope,
                                const std::string& name);

    // The user's choices, which an open edit refuses.
    bool leaving() { return gate_.allowsLeaving(); }

    Database* store_;
    EditGate& gate_;
    Selector groups_, programs_, scopes_;
    std::string scopesOf_; // the Program whose Scopes the Scope list holds
    std::array<TabRows, 4> tabs_;
    std::array<bool, 4> stale_{false, true, true, true};
    int showing_ = CommandsTab;
    std::string currentGroup_ = kAllGroups;
    int groupPosition_ = -1;
    bool allGroupsFlag_ = true;
    std::string currentProgram_{kGlobalCommands};
    std::string currentScope_{kGlobalCommands};
    std::string currentItem_;
    std::pair<std::string, std::string> commandsPair_, listsPair_;
    ViewSwitches view_;
    std::vector<std::string> history_;
    ItemView item_;
    std::function<bool()> english_ = [] { return true; };
    bool rebuildPrograms_ = false;
    bool findHighlight_ = false;
    std::pair<std::size_t, std::size_t> highlight_;
    std::uint64_t version_ = 0;
    std::function<void(SelectorKind)> built_ = [](SelectorKind) {};
    std::function<void()> listener_;
};

} // namespace qmk
