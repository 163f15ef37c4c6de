#include "mainwindow/finder.h"

#include "format/codepage.h"
#include "store/user_rows.h"

namespace qmk {

namespace {

constexpr const char* kOrder = " ORDER BY globalsort, menu, state, name, user.ID";
constexpr const char* kOrderBack = " ORDER BY globalsort DESC, menu DESC, state DESC, name DESC, "
                                   "user.ID DESC";

} // namespace

void Finder::begin() {
    matched_ = false;
    highlightStart_ = highlightLength_ = 0;
    browser_.setFindHighlight(false);
}

bool Finder::walk(const std::string& where, const Position* from, bool forward) {
    auto select = store_.prepare(UserTable::selectSql() + where + (forward ? kOrder : kOrderBack));
    if (from)
        select.bind(1, from->globalsort)
            .bind(2, from->program)
            .bind(3, from->scope)
            .bind(4, from->name)
            .bind(5, from->id);
    // Texts are compared in the file's code page, where one byte is one character.
    const bool exact = settings_.matchCase;
    const auto wanted = codepage::fromUtf8(settings_.text);
    if (!wanted.ok)
        return false; // no record can hold a character the file cannot
    const auto needle = exact ? wanted.bytes : codepage::toUpper(wanted.bytes);
    const int column =
        UserTable::columnOf(settings_.field == FindSettings::Field::Name      ? "name"
                            : settings_.field == FindSettings::Field::Content ? "script"
                                                                              : "state");
    while (select.step()) {
        // Most rows cannot match: they are passed over before the row is read whole.
        if (!codepage::mayContain(select.text(column), settings_.text, exact))
            continue;
        const auto row = UserTable::rowFrom(select);
        if (!browser_.passesView(row))
            continue;
        const auto& field = settings_.field == FindSettings::Field::Name      ? row.name
                            : settings_.field == FindSettings::Field::Content ? row.script
                                                                              : row.scope;
        auto haystack = codepage::fromUtf8(field).bytes;
        if (!exact)
            haystack = codepage::toUpper(haystack);
        const auto at = haystack.find(needle);
        if (at == std::string::npos)
            continue;
        if (settings_.field == FindSettings::Field::Content) {
            highlightStart_ = at;
            highlightLength_ = needle.size();
        }
        matched_ = true;
        againEnabled_ = true;
        foundType_ = row.Type;
        lastMatch_ = Position{row.globalsort, row.program, row.scope, row.name, row.ID};
        browser_.setCurrent(row.program, row.scope);
        browser_.setCurrentItemName(row.name);
        return true;
    }
    return false;
}

bool Finder::findFirst(const FindSettings& settings) {
    settings_ = settings;
    lastMatch_.reset();
    begin();
    if (settings_.text.empty())
        return false;
    if (walk("", nullptr, true))
        return true;
    prompt_.message("\"" + settings_.text + "\" not found in " +
                        (browser_.view().all ? "your macro files" : "current View"),
                    "Not Found");
    return false;
}

bool Finder::step(bool forward) {
    begin();
    if (settings_.text.empty())
        return false;
    Position from;
    const bool atLastMatch = lastMatch_ && lastMatch_->program == browser_.currentProgram() &&
                             lastMatch_->scope == browser_.currentScope() &&
                             lastMatch_->name == browser_.currentItemName();
    if (atLastMatch)
        from = *lastMatch_;
    auto shown = store_.prepare(
        "SELECT globalsort, menu, state, name, ID FROM user WHERE menu = ? AND state = ? AND "
        "name = ? ORDER BY ID LIMIT 1");
    shown.bind(1, browser_.currentProgram())
        .bind(2, browser_.currentScope())
        .bind(3, browser_.currentItemName());
    if (!atLastMatch && shown.step())
        from = {shown.text(0), shown.text(1), shown.text(2), shown.text(3), shown.integer(4)};
    const std::string where = forward ? " WHERE (globalsort, menu, state, name, user.ID) > "
                                        "(?, ?, ?, ?, ?)"
                                      : " WHERE (globalsort, menu, state, name, user.ID) < "
                                        "(?, ?, ?, ?, ?)";
    if (walk(where, &from, forward))
        return true;
    prompt_.message("\"" + settings_.text + "\" no more matches", "Not Found");
    if (forward)
        againEnabled_ = false;
    return false;
}

void Finder::showMatch() {
    if (!matched_)
        return;
    const auto name = browser_.currentItemName();
    if (highlightLength_ > 0) {
        browser_.setHighlight(highlightStart_, highlightLength_);
    }
    if (foundType_ == "L") {
        browser_.setListsPair(browser_.currentProgram(), browser_.currentScope());
        browser_.setCurrentItemName(name);
        browser_.reset(ListsTab);
    } else {
        browser_.reset(CommandsTab);
    }
}

} // namespace qmk
