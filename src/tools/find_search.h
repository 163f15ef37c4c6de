#pragma once

#include "store/database.h"
#include "store/places.h"
#include "store/user_row.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qmk {

// What Find searches: the text, the field and the case switch.
struct FindSettings {
    enum class Field { Name, Content, Scope };
    std::string text;
    Field field = Field::Name;
    bool matchCase = false;
};

// A row that holds the text: where it stands in the lists' order, and where the text lies in a
// body (in the file's bytes, one byte a character).
struct FindMatch {
    places::SortKey at;
    ItemType type = ItemType::None;
    std::size_t highlightStart = 0, highlightLength = 0;
};

// The first row after (or before) `from` in the lists' order (Global Commands first, then by
// Program, Scope and name), or from the start when there is no `from`, whose field holds the
// text, among the rows `shown` lets through.
std::optional<FindMatch> findMatch(Database& store, const FindSettings& settings,
                                   const std::optional<places::SortKey>& from, bool forward,
                                   const std::function<bool(const UserRow&)>& shown);

// Whether a row is of one of the types the window shows (the store also keeps rows of unknown
// types, which no search finds).
bool hasShownType(const UserRow& row);

// Every row that holds the text, in the lists' order.
std::vector<FindMatch> findAll(Database& store, const FindSettings& settings,
                               const std::function<bool(const UserRow&)>& shown);

// The message of a search that found nothing: in every type (`everyType`) or the View's.
std::string notFoundText(const std::string& text, bool everyType);

} // namespace qmk
