#include "mainwindow/browser.h"

#include "common/codepage.h"
#include "common/text.h"
#include "mainwindow/typed_choice.h"
#include "session/file_utilities.h"
#include "store/places.h"
#include "store/statements.h"
#include "store/user_rows.h"
#include "writer/list_names.h"

#include <algorithm>
#include <set>

namespace qmk {

namespace {

const std::string kGlobal(kGlobalCommands);

// The last entry whose value equals `value`, else entry 0.
int lastEntryOf(const Selector& selector, const std::string& value) {
    int found = 0;
    for (int i = 0; i < static_cast<int>(selector.entries.size()); ++i)
        if (stripSpokenNumber(selector.entries[static_cast<std::size_t>(i)]) == value)
            found = i;
    return found;
}

} // namespace

std::string Selector::value() const {
    if (selected < 0 || selected >= static_cast<int>(entries.size()))
        return "";
    return stripSpokenNumber(entries[static_cast<std::size_t>(selected)]);
}

std::vector<std::string> TabRows::names() const {
    std::vector<std::string> names;
    names.reserve(rows.size());
    for (const auto& row : rows)
        names.push_back(row.name);
    return names;
}

void Browser::setCurrent(std::string program, std::string scope) {
    currentProgram_ = std::move(program);
    currentScope_ = std::move(scope);
}

void Browser::start() {
    currentGroup_ = kAllGroups;
    allGroupsFlag_ = true;
    setCurrent(kGlobal, kGlobal);
    buildProgramList();
    buildGroupList();
    groupPosition_ = static_cast<int>(groups_.entries.size()) - 1;
    reset(-1);
}

void Browser::fillGroupEntries() {
    groups_ = {};
    changed();
    if (!storeOpen())
        return;
    for (auto& owner : places::groups(*store_))
        if (!owner.empty())
            groups_.entries.push_back(std::move(owner));
    groups_.entries.push_back("-");
    groups_.entries.push_back(kAllGroups);
    groups_.selected = static_cast<int>(groups_.entries.size()) - 1;
}

void Browser::buildGroupList() {
    const auto remembered = groups_.value();
    fillGroupEntries();
    if (!storeOpen())
        return;
    const auto found = std::find(groups_.entries.begin(), groups_.entries.end(), remembered);
    if (!remembered.empty() && found != groups_.entries.end())
        selectGroup(static_cast<int>(found - groups_.entries.begin()));
    built_(SelectorKind::Group);
}

void Browser::rebuildSelectors() {
    // The Group chosen stays chosen while it still exists, and the view stays where it is.
    fillGroupEntries();
    const auto found = std::find(groups_.entries.begin(), groups_.entries.end(), currentGroup_);
    if (allGroupsFlag_ || found == groups_.entries.end()) {
        currentGroup_ = kAllGroups;
        allGroupsFlag_ = true;
    } else {
        groups_.selected = static_cast<int>(found - groups_.entries.begin());
    }
    groupPosition_ = groups_.selected;
    built_(SelectorKind::Group);
    rebuildPrograms_ = true;
}

void Browser::buildProgramList() {
    programs_ = {};
    changed();
    if (!storeOpen())
        return;
    std::vector<std::string> values;
    if (currentGroup_ != kAllGroups) {
        values = places::programs(*store_, currentGroup_);
        if (values.empty()) {
            currentGroup_ = kAllGroups;
            allGroupsFlag_ = true;
        }
    }
    if (currentGroup_ == kAllGroups)
        values = places::programs(*store_, std::nullopt);
    // Global Commands always leads.
    if (const auto global = std::find(values.begin(), values.end(), kGlobal);
        global != values.end())
        std::rotate(values.begin(), global, global + 1);
    programs_.entries = std::move(values);
    built_(SelectorKind::Program);
}

void Browser::buildScopeList(const std::string& program) {
    scopes_ = {};
    scopesOf_ = program;
    changed();
    if (!storeOpen())
        return;
    scopes_.entries = places::scopes(
        *store_, program,
        currentGroup_ == kAllGroups ? std::nullopt : std::optional<std::string>(currentGroup_));
    built_(SelectorKind::Scope);
}

void Browser::selectGroup(int position) {
    if (!leaving() || position < 0 || position >= static_cast<int>(groups_.entries.size()))
        return;
    groups_.selected = groupPosition_ = position;
    currentGroup_ = groups_.value();
    changed();
    if (position != static_cast<int>(groups_.entries.size()) - 1) {
        allGroupsFlag_ = false;
        if (const auto first = places::firstPlaceOfGroup(*store_, currentGroup_))
            setCurrent(first->program, first->scope);
    } else {
        allGroupsFlag_ = true;
    }
    if (currentGroup_ == "User-defined" || currentGroup_ == "Dragon")
        setCurrent(kGlobal, kGlobal);
    rebuildPrograms_ = true;
    reset(-1);
}

std::string Browser::chooseTyped(SelectorKind kind, const std::string& typed) {
    if (!storeOpen() || !leaving())
        return {};
    auto& selector = kind == SelectorKind::Program ? programs_
                     : kind == SelectorKind::Scope ? scopes_
                                                   : groups_;
    if (const int found = bestMatch(selector.entries, typed); found >= 0) {
        if (kind == SelectorKind::Program)
            selectProgram(found);
        else if (kind == SelectorKind::Scope)
            selectScope(found);
        else
            selectGroup(found);
        return {};
    }
    const char* what = kind == SelectorKind::Program ? "Program"
                       : kind == SelectorKind::Scope ? "Scope"
                                                     : "Group";
    const auto nothing = std::string("No ") + what + " name holds \"" + typed + "\"";
    if (kind != SelectorKind::Program || allGroupsFlag_)
        return nothing;
    // A Program of another Group: shown with All groups, the Group that holds every Program.
    if (bestMatch(places::programs(*store_, std::nullopt), typed) < 0)
        return nothing;
    const auto group = currentGroup_;
    selectGroup(static_cast<int>(groups_.entries.size()) - 1);
    selectProgram(bestMatch(programs_.entries, typed));
    return "\"" + currentProgram_ + "\" is not in Group \"" + group + "\": All groups shown";
}

void Browser::selectProgram(int position, bool automatic) {
    if (!storeOpen() || !leaving())
        return;
    if (position < 0 || position >= static_cast<int>(programs_.entries.size()))
        return;
    const auto value = stripSpokenNumber(programs_.entries[static_cast<std::size_t>(position)]);
    if (!places::programExists(*store_, value))
        return;
    programs_.selected = position;
    currentProgram_ = value;
    buildScopeList(value);
    if (!scopes_.entries.empty() && stripSpokenNumber(scopes_.entries[0]) == "Asleep" &&
        currentProgram_ == kGlobal) {
        const auto global =
            std::find_if(scopes_.entries.begin(), scopes_.entries.end(),
                         [](const std::string& e) { return stripSpokenNumber(e) == kGlobal; });
        selectScope(global == scopes_.entries.end()
                        ? 0
                        : static_cast<int>(global - scopes_.entries.begin()));
    } else if (automatic && !scopes_.entries.empty()) {
        selectScope(0);
    }
}

void Browser::selectScope(int position) {
    if (!leaving())
        return;
    if (!storeOpen()) {
        fillCommandsTab();
        return;
    }
    if (position < 0 || position >= static_cast<int>(scopes_.entries.size()))
        return;
    stale_[ListsTab] = true;
    scopes_.selected = position;
    // A Scope is always chosen with the Program whose Scopes the list holds, though a line of
    // a Recently tab may have shown an item of another Program since.
    currentProgram_ = scopesOf_;
    currentScope_ = scopes_.value();
    changed();
    if (places::scopeExists(*store_, currentProgram_, currentScope_))
        fillCommandsTab();
}

std::optional<UserRow> Browser::find(const std::string& program, const std::string& scope,
                                     const std::string& name) {
    if (name.empty())
        return std::nullopt;
    return places::findRow(*store_, program, scope, name);
}

std::vector<UserRow> Browser::block(const std::string& program, const std::string& scope) {
    return places::headingsOf(*store_, program, scope);
}

bool Browser::passesView(const UserRow& row) const {
    if (view_.followCommand) {
        if (row.name == view_.followedCommand)
            return true;
        const auto lists = listNamesIn(view_.followedCommand);
        return std::find(lists.begin(), lists.end(), row.name) != lists.end();
    }
    if (view_.followList)
        return row.name == view_.followedList ||
               row.name.find("<" + view_.followedList + ">") != std::string::npos;
    const auto code = std::find(kViewTypes.begin(), kViewTypes.end(), row.type);
    if (code == kViewTypes.end() || !view_.on[static_cast<std::size_t>(code - kViewTypes.begin())])
        return false;
    return allGroupsFlag_ || row.group == currentGroup_;
}

void Browser::addListCopy(const UserRow& global) {
    UserRow copy = global;
    copy.program = currentProgram_;
    copy.scope = currentScope_;
    copy.globalsort = currentProgram_ == kGlobal ? "G" : "N";
    if (!allGroupsFlag_)
        copy.group = currentGroup_;
    copy.dupe = false;
    copy.listcopy = true;
    UserTable(*store_).add(copy);
}

void Browser::listHousekeeping(const std::vector<UserRow>& rows) {
    for (const auto& row : rows) {
        if (row.name.find('<') == std::string::npos || !passesView(row))
            continue;
        for (const auto& list : listNamesIn(row.name)) {
            const auto here = find(currentProgram_, currentScope_, list);
            if (!here) {
                if (const auto global = find(kGlobal, kGlobal, list))
                    addListCopy(*global);
            } else if (!allGroupsFlag_) {
                statements::setGroup(*store_, here->id, currentGroup_);
            }
        }
    }
}

void Browser::addEditedRow(int which, TabRows::Row row, bool first) {
    auto& tab = tabs_[static_cast<std::size_t>(which)];
    if (first)
        tab.rows.insert(tab.rows.begin(), std::move(row));
    else
        tab.rows.push_back(std::move(row));
    tab.selected = first ? 0 : static_cast<int>(tab.rows.size()) - 1;
    showing_ = which;
    changed();
}

void Browser::selectRowNamed(TabRows& tab, const std::string& name) {
    tab.selected = -1;
    for (int i = 0; i < static_cast<int>(tab.rows.size()); ++i)
        if (tab.rows[static_cast<std::size_t>(i)].name == name) {
            tab.selected = i;
            return;
        }
}

void Browser::fillCommandsTab() {
    commandsPair_ = listsPair_ = {currentProgram_, currentScope_};
    auto& tab = tabs_[CommandsTab];
    tab = {};
    changed();
    if (!storeOpen()) {
        item_ = {};
        return;
    }
    // The housekeeping only adds or regroups LISTs, which the tab does not list: one read of
    // the block serves both passes.
    const auto rows = block(currentProgram_, currentScope_);
    listHousekeeping(rows);
    for (const auto& row : rows)
        if (row.type != ItemType::List && passesView(row))
            tab.rows.push_back({.name = row.name});
    selectRowNamed(tab, currentItem_);
    if (tab.selected < 0) {
        tab.selected = tab.empty() ? -1 : 0;
        showing_ = CommandsTab;
    }
    selectLine(CommandsTab, tab.selected);
    if (showing_ == RecentlyCreatedTab || showing_ == RecentlyModifiedTab)
        selectTab(showing_);
}

void Browser::fillListsTab() {
    auto& tab = tabs_[ListsTab];
    tab = {};
    listsPair_ = {currentProgram_, currentScope_};
    changed();
    if (storeOpen()) {
        if (currentProgram_ == kGlobal && currentScope_ == kGlobal) {
            for (const auto& row : places::globalListHeadings(*store_))
                if (passesView(row))
                    tab.rows.push_back({.name = row.name});
        } else {
            std::set<std::string> listed;
            for (const auto& command : tabs_[CommandsTab].rows)
                for (const auto& list : listNamesIn(command.name)) {
                    if (listed.contains(list))
                        continue;
                    if (const auto row = find(currentProgram_, currentScope_, list);
                        row && passesView(*row)) {
                        listed.insert(list);
                        tab.rows.push_back({.name = list});
                    }
                }
        }
    }
    stale_[ListsTab] = false;
    selectRowNamed(tab, currentItem_);
    if (tab.selected < 0 && !tab.empty())
        tab.selected = 0;
}

void Browser::fillRecentlyCreatedTab() {
    auto& tab = tabs_[RecentlyCreatedTab];
    tab = {};
    changed();
    if (storeOpen()) {
        places::forEachNewestCommand(*store_, [&](const UserRow& row) {
            if (passesView(row))
                tab.rows.push_back({row.program, row.scope, row.name});
            return tab.rows.size() < kRecentlyCreatedLines;
        });
    }
    stale_[RecentlyCreatedTab] = false;
    if (!tab.empty())
        tab.selected = 0;
}

void Browser::fillRecentlyModifiedTab() {
    auto& tab = tabs_[RecentlyModifiedTab];
    tab = {};
    changed();
    for (const auto& entry : history_) {
        const auto first = entry.find('\t');
        const auto second = first == std::string::npos ? first : entry.find('\t', first + 1);
        TabRows::Row row;
        row.program = entry.substr(0, first);
        if (first != std::string::npos)
            row.scope = entry.substr(first + 1, second == std::string::npos ? std::string::npos
                                                                            : second - first - 1);
        if (second != std::string::npos)
            row.name = entry.substr(second + 1);
        tab.rows.push_back(std::move(row));
    }
    stale_[RecentlyModifiedTab] = false;
    tab.selected = tab.empty() ? -1 : 0;
}

void Browser::setHistory(std::vector<std::string> history) {
    history_ = std::move(history);
    stale_[RecentlyModifiedTab] = true;
}

void Browser::selectTab(int which) {
    if (which < 0 || which > 3 || !leaving())
        return;
    showing_ = which;
    changed();
    auto& tab = tabs_[static_cast<std::size_t>(which)];
    switch (which) {
    case CommandsTab:
        setCurrent(commandsPair_.first, commandsPair_.second);
        break;
    case ListsTab:
        setCurrent(listsPair_.first, listsPair_.second);
        if (stale_[ListsTab])
            fillListsTab();
        break;
    case RecentlyCreatedTab:
        if (stale_[static_cast<std::size_t>(which)] || tab.empty())
            fillRecentlyCreatedTab();
        break;
    default:
        if (stale_[static_cast<std::size_t>(which)] || tab.empty())
            fillRecentlyModifiedTab();
        break;
    }
    selectLine(which, tab.selected);
}

void Browser::selectLine(int which, int line) {
    if (!leaving())
        return;
    auto& tab = tabs_[static_cast<std::size_t>(which)];
    if (line < 0 || line >= static_cast<int>(tab.size())) {
        // An empty tab stands for no item: new ones can still be made, the first of a file.
        item_ = tab.empty() && storeOpen() ? emptyTabItem() : ItemView{};
        item_.program = currentProgram_;
        item_.scope = currentScope_;
        changed();
        return;
    }
    tab.selected = line;
    const auto& row = tab.rows[static_cast<std::size_t>(line)];
    currentItem_ = row.name;
    if (!row.program.empty())
        setCurrent(row.program, row.scope);
    item_ = storeOpen()
                ? showItem(*store_, currentProgram_, currentScope_, currentItem_, english_())
                : ItemView{};
    if (findHighlight_ && item_.row)
        item_.highlight = highlight_;
    changed();
}

void Browser::reset(int whichTab) {
    if (rebuildPrograms_) {
        buildProgramList();
        rebuildPrograms_ = false;
    }
    gate_.end();
    std::string upper =
        currentProgram_ == kGlobal
            ? currentProgram_
            : codepage::toUtf8(codepage::toUpper(codepage::fromUtf8(currentProgram_).bytes));
    const auto scope = currentScope_;
    selectProgram(lastEntryOf(programs_, upper), false);
    selectScope(lastEntryOf(scopes_, scope));
    if (whichTab == -1) {
        findHighlight_ = false;
        stale_[ListsTab] = true;
    } else {
        selectTab(whichTab);
    }
    changed();
}

// The recent list shows what the View lets through, so a View change refills it as well.
void Browser::viewChanged() {
    stale_[RecentlyCreatedTab] = true;
    reset(-1);
}

std::string Browser::printedItem() const {
    return "Program: " + currentProgram() + "\nScope: " + currentScope() +
           "\nCommandName: " + currentItemName() + "\n\n" + replaceAll(item_.body, "\r\n", "\n");
}

void Browser::viewAll() {
    if (!leaving())
        return;
    view_ = {};
    viewChanged();
}

void Browser::toggle(TypeSwitch which) {
    if (!leaving())
        return;
    auto& on = view_.on;
    on[static_cast<std::size_t>(which)] = !on[static_cast<std::size_t>(which)];
    view_.all = on[0] && on[1] && on[2];
    view_.followCommand = false;
    viewChanged();
}

void Browser::viewOnly(TypeSwitch which) {
    if (!leaving())
        return;
    view_.on.fill(false);
    view_.on[static_cast<std::size_t>(which)] = true;
    view_.all = false;
    viewChanged();
}

void Browser::followCommand(Prompt& prompt) {
    if (!leaving())
        return;
    if (view_.followCommand) {
        view_.followCommand = false;
        reset(-1);
        return;
    }
    const auto shown = find(currentProgram_, currentScope_, currentItem_);
    if (!shown || shown->type == ItemType::List) {
        prompt.message("Not valid unless COMMAND", "Not allowed");
        return;
    }
    if (shown->name.find('<') == std::string::npos) {
        prompt.message("This COMMAND has no LISTs", "Not allowed");
        return;
    }
    view_.followCommand = true;
    view_.followList = false;
    view_.on.fill(false);
    view_.all = false;
    view_.followedCommand = shown->name;
    reset(-1);
}

void Browser::followList(Prompt& prompt) {
    if (!leaving())
        return;
    if (view_.followList) {
        view_.followList = false;
        reset(-1);
        return;
    }
    const auto shown = find(currentProgram_, currentScope_, currentItem_);
    if (!shown || shown->type != ItemType::List) {
        prompt.message("Not valid unless LIST", "Not allowed");
        return;
    }
    view_.followList = true;
    view_.followCommand = false;
    view_.on.fill(false);
    view_.all = false;
    view_.followedList = shown->name;
    reset(-1);
}

} // namespace qmk
