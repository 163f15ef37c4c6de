#include "tools/find_search.h"

#include "common/codepage.h"
#include "store/user_rows.h"

#include <algorithm>

namespace qmk {

std::optional<FindMatch> findMatch(Database& store, const FindSettings& settings,
                                   const std::optional<places::SortKey>& from, bool forward,
                                   const std::function<bool(const UserRow&)>& shown) {
    if (settings.text.empty())
        return std::nullopt;
    // Texts are compared in the file's code page, where one byte is one character.
    const bool exact = settings.matchCase;
    const auto wanted = codepage::fromUtf8(settings.text);
    if (!wanted.ok)
        return std::nullopt; // no record can hold a character the file cannot
    const auto needle = exact ? wanted.bytes : codepage::toUpper(wanted.bytes);
    using Field = FindSettings::Field;
    const int column = UserTable::columnOf(settings.field == Field::Name      ? "name"
                                           : settings.field == Field::Content ? "script"
                                                                              : "scope");
    std::optional<FindMatch> match;
    places::forEachInListOrder(store, from, forward, [&](const Statement& select) {
        // Most rows cannot match: they are passed over before the row is read whole.
        if (!codepage::mayContain(select.view(column), settings.text, exact))
            return true;
        const auto row = UserTable::rowFrom(select);
        if (!shown(row))
            return true;
        const auto& field = settings.field == Field::Name      ? row.name
                            : settings.field == Field::Content ? row.script
                                                               : row.scope;
        auto haystack = codepage::fromUtf8(field).bytes;
        if (!exact)
            haystack = codepage::toUpper(haystack);
        const auto at = haystack.find(needle);
        if (at == std::string::npos)
            return true;
        match = FindMatch{places::SortKey{row.globalsort, row.program, row.scope, row.name, row.id},
                          row.type};
        if (settings.field == Field::Content) {
            match->highlightStart = at;
            match->highlightLength = needle.size();
        }
        return false;
    });
    return match;
}

bool hasShownType(const UserRow& row) {
    return row.type != ItemType::None;
}

std::vector<FindMatch> findAll(Database& store, const FindSettings& settings,
                               const std::function<bool(const UserRow&)>& shown) {
    std::vector<FindMatch> matches;
    std::optional<places::SortKey> from;
    // Each match starts the next search after it: the walk moves on and ends.
    while (auto match = findMatch(store, settings, from, true, shown)) {
        from = match->at;
        matches.push_back(std::move(*match));
    }
    return matches;
}

std::string notFoundText(const std::string& text, bool everyType) {
    return "\"" + text + "\" not found in " + (everyType ? "your macro files" : "current View");
}

} // namespace qmk
