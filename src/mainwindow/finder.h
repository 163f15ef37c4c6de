#pragma once

#include "common/prompt.h"
#include "mainwindow/browser.h"
#include "store/database.h"
#include "store/places.h"
#include "tools/find_search.h"

#include <optional>
#include <string>

namespace qmk {

// Find: searches the store in `name` order (Global Commands first, then by Program, Scope and
// name), honouring the View, and takes the window to the first, next or previous match.
class Finder {
public:
    Finder(Database& store, Browser& browser, Prompt& prompt)
        : store_(store), browser_(browser), prompt_(prompt) {}

    // Each returns true on a match; the "Not Found" messages are shown otherwise.
    bool findFirst(const FindSettings& settings);
    bool findAgain() { return step(true); }
    // Closing the dialog (Cancel, Escape) discards the search: F11 and F12 then find nothing.
    void forget() {
        settings_ = {};
        matched_ = againEnabled_ = false;
        lastMatch_.reset();
    }
    bool findPrevious() { return step(false); }
    // After the dialog: shows the match (the Commands tab for a command, the LISTs tab for a
    // LIST) with the found text selected in the body.
    void showMatch();

    bool matched() const { return matched_; }
    bool findAgainEnabled() const { return againEnabled_; }
    const FindSettings& settings() const { return settings_; }

private:
    bool step(bool forward);
    // Shows the next match after (or before) `from`, else from the start; false when none.
    bool walk(const std::optional<places::SortKey>& from, bool forward);
    void begin();

    Database& store_;
    Browser& browser_;
    Prompt& prompt_;
    FindSettings settings_;
    bool matched_ = false;
    bool againEnabled_ = false;
    ItemType foundType_ = ItemType::None;
    // Where the last match stood, so that the next step starts after it even among commands of
    // one Program, Scope and name.
    std::optional<places::SortKey> lastMatch_;
    std::size_t highlightStart_ = 0, highlightLength_ = 0;
};

} // namespace qmk
