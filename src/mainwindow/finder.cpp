#include "mainwindow/finder.h"

#include "store/places.h"

namespace qmk {

void Finder::begin() {
    matched_ = false;
    highlightStart_ = highlightLength_ = 0;
    browser_.setFindHighlight(false);
}

bool Finder::walk(const std::optional<places::SortKey>& from, bool forward) {
    const auto match = findMatch(store_, settings_, from, forward,
                                 [this](const UserRow& row) { return browser_.passesView(row); });
    if (!match)
        return false;
    highlightStart_ = match->highlightStart;
    highlightLength_ = match->highlightLength;
    matched_ = true;
    againEnabled_ = true;
    foundType_ = match->type;
    lastMatch_ = match->at;
    browser_.setCurrent(match->at.program, match->at.scope);
    browser_.setCurrentItemName(match->at.name);
    return true;
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
    prompt_.message(notFoundText(settings_.text, browser_.view().all), "Not Found");
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
    if (foundType_ == ItemType::List) {
        browser_.setListsPair(browser_.currentProgram(), browser_.currentScope());
        browser_.setCurrentItemName(name);
        browser_.reset(ListsTab);
    } else {
        browser_.reset(CommandsTab);
    }
}

} // namespace qmk
