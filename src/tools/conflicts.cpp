#include "tools/conflicts.h"

#include "common/codepage.h"
#include "common/text.h"

#include <algorithm>
#include <map>
#include <optional>
#include <unordered_map>

namespace qmk {

namespace {

constexpr std::string_view kApplicationWide = "Application-specific";
constexpr std::size_t kEntriesPerPhrase = 50; // more commands on one phrase are not paired

// Upper case in the code page, blanks collapsed: how a spoken form is compared.
std::string spoken(std::string_view utf8) {
    const auto encoded = codepage::fromUtf8(utf8);
    const auto upper = codepage::toUpper(encoded.ok ? encoded.bytes : std::string(utf8));
    std::string out;
    for (const char c : upper) {
        if (c == ' ' || c == '\t') {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
        } else {
            out += c;
        }
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

std::vector<std::string> itemsOf(const SetItem& list) {
    std::vector<std::string> items;
    std::size_t from = 0;
    while (from < list.body.size()) {
        const auto end = list.body.find(kCrLf, from);
        const auto item = list.body.substr(from, end == std::string::npos ? end : end - from);
        if (!item.empty())
            items.push_back(item);
        if (end == std::string::npos)
            break;
        from = end + kCrLf.size();
    }
    return items;
}

// The phrases a name stands for, its LISTs filled in, at most kPhrasesPerCommand of them.
std::vector<std::string> phrases(const std::string& name,
                                 const std::map<std::string, std::vector<std::string>>& lists) {
    std::vector<std::string> done{""};
    std::size_t at = 0;
    while (at < name.size()) {
        const auto open = name.find('<', at);
        const auto close = open == std::string::npos ? open : name.find('>', open + 1);
        const auto literal =
            name.substr(at, close == std::string::npos ? std::string::npos : open - at);
        for (auto& phrase : done)
            phrase += literal;
        if (close == std::string::npos)
            break;
        const auto reference = name.substr(open + 1, close - open - 1);
        const auto list = lists.find(spoken(reference));
        if (list == lists.end() || list->second.empty()) {
            for (auto& phrase : done)
                phrase += name.substr(open, close - open + 1);
        } else {
            std::vector<std::string> next;
            for (const auto& phrase : done)
                for (const auto& item : list->second)
                    if (next.size() < kPhrasesPerCommand)
                        next.push_back(phrase + item);
            done = std::move(next);
        }
        at = close + 1;
    }
    return done;
}

bool isGlobal(const SetItem& item) {
    return item.program == kGlobalCommands;
}

// Whether both can be active at once, and how they overlap.
std::optional<Conflict::Kind> overlap(const SetItem& a, const SetItem& b) {
    if (isGlobal(a) && isGlobal(b))
        return Conflict::Kind::Duplicate;
    if (isGlobal(a) || isGlobal(b))
        return Conflict::Kind::Global;
    if (a.program != b.program)
        return std::nullopt;
    if (a.scope == b.scope)
        return Conflict::Kind::Duplicate;
    if (a.scope == kApplicationWide || b.scope == kApplicationWide)
        return Conflict::Kind::Scopes;
    return std::nullopt;
}

} // namespace

std::vector<Conflict> findConflicts(const CommandSet& set) {
    std::map<std::string, std::vector<std::string>> lists;
    for (const auto& item : set.items)
        if (item.list)
            lists.emplace(spoken(item.name), itemsOf(item));

    std::unordered_map<std::string, std::vector<std::size_t>> heardBy;
    std::vector<std::string> firstPhrase(set.items.size());
    for (std::size_t i = 0; i < set.items.size(); ++i) {
        const auto& item = set.items[i];
        if (item.list)
            continue;
        for (const auto& phrase : phrases(item.name, lists)) {
            auto& entries = heardBy[spoken(phrase)];
            if (entries.size() < kEntriesPerPhrase && (entries.empty() || entries.back() != i))
                entries.push_back(i);
        }
    }

    std::vector<Conflict> conflicts;
    // In file order of the first command, so that a report reads like the file.
    std::map<std::pair<std::size_t, std::size_t>, std::string> pairs;
    for (const auto& [phrase, entries] : heardBy)
        for (std::size_t x = 0; x < entries.size(); ++x)
            for (std::size_t y = x + 1; y < entries.size(); ++y) {
                const auto key = std::minmax(entries[x], entries[y]);
                auto [at, added] = pairs.try_emplace(key, phrase);
                if (!added && phrase < at->second)
                    at->second = phrase; // the same example whatever the hash order
            }
    for (const auto& [pair, phrase] : pairs) {
        const auto& a = set.items[pair.first];
        const auto& b = set.items[pair.second];
        auto kind = overlap(a, b);
        if (!kind)
            continue;
        if (spoken(a.name) != spoken(b.name))
            kind = Conflict::Kind::ListExpanded;
        // The example as the first command's LISTs would fill it in.
        std::string example = phrase;
        for (const auto& candidate : phrases(a.name, lists))
            if (spoken(candidate) == phrase) {
                example = candidate;
                break;
            }
        conflicts.push_back({*kind, &a, &b, example});
    }
    return conflicts;
}

std::string conflictKindName(Conflict::Kind kind) {
    switch (kind) {
    case Conflict::Kind::Duplicate:
        return "duplicate";
    case Conflict::Kind::Global:
        return "global";
    case Conflict::Kind::Scopes:
        return "scopes";
    case Conflict::Kind::ListExpanded:
        return "list";
    }
    return {};
}

std::string conflictLine(const Conflict& c) {
    auto where = [](const SetItem& item) {
        return item.program + " | " + item.scope + " | " + item.name;
    };
    return conflictKindName(c.kind) + "  " + where(*c.first) + "  <->  " + where(*c.second) +
           "  \"" + c.phrase + "\"";
}

} // namespace qmk
