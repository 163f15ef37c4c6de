#include "mainwindow/finder.h"

#include "common/codepage.h"
#include "store/places.h"
#include "store/user_rows.h"

namespace qmk {

void Finder::begin() {
    matched_ = false;
    highlightStart_ = highlightLength_ = 0;
    browser_.setFindHighlight(false);
}

bool Finder::walk(const std::optional<places::SortKey>& from, bool forward) {
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
    bool found = false;
    places::forEachInListOrder(store_, from, forward, [&](const Statement& select) {
        // Most rows cannot match: they are passed over before the row is read whole.
        if (!codepage::mayContain(select.view(column), settings_.text, exact))
            return true;
        const auto row = UserTable::rowFrom(select);
        if (!browser_.passesView(row))
            return true;
        const auto& field = settings_.field == FindSettings::Field::Name      ? row.name
                            : settings_.field == FindSettings::Field::Content ? row.script
                                                                              : row.scope;
        auto haystack = codepage::fromUtf8(field).bytes;
        if (!exact)
            haystack = codepage::toUpper(haystack);
        const auto at = haystack.find(needle);
        if (at == std::string::npos)
            return true;
        if (settings_.field == FindSettings::Field::Content) {
            highlightStart_ = at;
            highlightLength_ = needle.size();
        }
        matched_ = true;
        againEnabled_ = true;
        foundType_ = row.type;
        lastMatch_ = places::SortKey{row.globalsort, row.program, row.scope, row.name, row.id};
        browser_.setCurrent(row.program, row.scope);
        browser_.setCurrentItemName(row.name);
        found = true;
        return false;
    });
    return found;
}

bool Finder::findFirst(const FindSettings& settings) {
    if (!browser_.gate().allowsLeaving())
        return false;
    settings_ = settings;
    lastMatch_.reset();
    begin();
    if (settings_.text.empty())
        return false;
    if (walk(std::nullopt, true))
        return true;
    prompt_.message("\"" + settings_.text + "\" not found in " +
                        (browser_.view().all ? "your macro files" : "current View"),
                    "Not Found");
    return false;
}

bool Finder::step(bool forward) {
    if (!browser_.gate().allowsLeaving())
        return false;
    begin();
    if (settings_.text.empty())
        return false;
    const bool atLastMatch = lastMatch_ && lastMatch_->program == browser_.currentProgram() &&
                             lastMatch_->scope == browser_.currentScope() &&
                             lastMatch_->name == browser_.currentItemName();
    // From the last match, else from the row shown (an empty key when there is none).
    auto from = atLastMatch
                    ? lastMatch_
                    : places::sortKeyOf(store_, browser_.currentProgram(), browser_.currentScope(),
                                        browser_.currentItemName());
    if (!from)
        from = places::SortKey{};
    if (walk(from, forward))
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
