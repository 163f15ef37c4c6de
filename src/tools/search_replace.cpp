#include "tools/search_replace.h"

#include "common/codepage.h"
#include "store/statements.h"
#include "store/user_rows.h"
#include "writer/record_edits.h"

#include <vector>

namespace qmk {

namespace {

// Texts compared in the file's code page, where one byte is one character.
std::string cp(const std::string& utf8) {
    auto encoded = codepage::fromUtf8(utf8);
    return encoded.ok ? std::move(encoded.bytes) : utf8;
}

} // namespace

void SearchReplace::start(const Selection& chosen) {
    rows_ = statements::searchablePart(store_, chosen);
    running_ = false;
}

std::size_t SearchReplace::occurrence(const std::string& body, const std::string& text,
                                      bool matchCase, std::size_t from) const {
    auto haystack = cp(body), needle = cp(text);
    if (!matchCase) {
        haystack = codepage::toUpper(haystack);
        needle = codepage::toUpper(needle);
    }
    return from > haystack.size() ? std::string::npos : haystack.find(needle, from);
}

SearchReplace::Step SearchReplace::findNext(const std::string& text, bool matchCase) {
    if (text.empty()) {
        prompt_.message(" No text entered to search for", "Search/Replace");
        return Step::Refused;
    }
    if (!running_) {
        running_ = true;
        row_ = 0;
        next_ = 0;
        replacements_ = 0;
        replacedIn_.clear();
    }
    bool found = false;
    statements::forEachBody(
        store_, rows_, row_, [&](std::int64_t id, std::string_view name, std::string_view body) {
            if (id != row_)
                next_ = 0; // another row: look from its start
            // Most bodies cannot match: they are passed over without being converted.
            if (next_ == 0 && !codepage::mayContain(body, text, matchCase))
                return true;
            const auto at = occurrence(std::string(body), text, matchCase, next_);
            if (at == std::string::npos)
                return true;
            name_ = name;
            body_ = body;
            row_ = id;
            found_ = at;
            length_ = cp(text).size();
            next_ = at + length_;
            found = true;
            return false;
        });
    if (found)
        return Step::Found;
    if (replacements_ > 0)
        return finished();
    prompt_.message("No more matches in this Scope", "Search/Replace");
    running_ = false;
    name_.clear();
    return Step::NoMore;
}

std::optional<std::string> SearchReplace::replacementBytes(const std::string& text,
                                                           const std::string& with) {
    if (text.empty()) {
        prompt_.message("No Search For text entered", "Search/Replace");
        return std::nullopt;
    }
    if (with.empty()) {
        prompt_.message(" No text entered to replace with", "Search/Replace");
        return std::nullopt;
    }
    // A character the code page cannot hold is refused before anything is written.
    auto encoded = encodeForFile(with, "The replacement");
    if (encoded.refusal) {
        prompt_.message(encoded.refusal->message, encoded.refusal->title);
        return std::nullopt;
    }
    return std::move(encoded.bytes);
}

SearchReplace::Step SearchReplace::replace(const std::string& text, const std::string& with,
                                           bool matchCase) {
    const auto replacement = replacementBytes(text, with);
    if (!replacement)
        return Step::Refused;
    if (!running_)
        return findNext(text, matchCase);
    // The body in the code page, where the found position counts characters.
    auto bytes = cp(body_);
    bytes.replace(found_, length_, *replacement);
    const auto changed = codepage::toUtf8(bytes);
    const auto row = UserTable(store_).byId(row_);
    if (!row)
        return findNext(text, matchCase);
    const auto result = replaceBody(engine_, *row, changed);
    if (!result.done()) {
        prompt_.message(result.message, result.title);
        return Step::Refused;
    }
    statements::BodyUpdate{store_}(row_, changed);
    body_ = changed;
    next_ = found_ + replacement->size();
    ++replacements_;
    replacedIn_.insert(row_);
    writtenHere_ = true;
    return findNext(text, matchCase);
}

std::size_t SearchReplace::shownSelectionStart() const {
    // found_ counts code-page characters; the body is UTF-8.
    const auto before = cp(body_).substr(0, found_);
    std::size_t breaks = 0;
    for (auto at = before.find("\r\n"); at != std::string::npos; at = before.find("\r\n", at + 2))
        ++breaks;
    return found_ - breaks;
}

SearchReplace::Step SearchReplace::replaceAll(const std::string& text, const std::string& with,
                                              bool matchCase) {
    const auto replacement = replacementBytes(text, with);
    if (!replacement)
        return Step::Refused;
    if (!running_) {
        const auto first = findNext(text, matchCase);
        if (first != Step::Found)
            return first;
    }
    // From the occurrence shown on, every occurrence of every later row, built in memory and
    // written to the file at once.
    const auto needle = matchCase ? cp(text) : codepage::toUpper(cp(text));
    std::vector<NewBody> bodies;
    int occurrences = 0;
    // Only the bodies are read to search them; a whole row only where one is replaced.
    UserTable table(store_);
    statements::forEachBody(store_, rows_, row_,
                            [&](std::int64_t id, std::string_view, std::string_view script) {
                                if (id != row_ && !codepage::mayContain(script, text, matchCase))
                                    return true;
                                auto bytes = cp(std::string(script));
                                auto haystack = matchCase ? bytes : codepage::toUpper(bytes);
                                std::size_t at = id == row_ ? found_ : 0;
                                int here = 0;
                                while ((at = haystack.find(needle, at)) != std::string::npos) {
                                    bytes.replace(at, needle.size(), *replacement);
                                    haystack.replace(at, needle.size(), *replacement);
                                    at += replacement->size();
                                    ++here;
                                }
                                if (here == 0)
                                    return true;
                                auto row = table.byId(id);
                                if (!row)
                                    return true;
                                occurrences += here;
                                replacedIn_.insert(id);
                                bodies.push_back({std::move(*row), codepage::toUtf8(bytes)});
                                return true;
                            });
    if (!bodies.empty()) {
        progress_("Replacing");
        const auto result = replaceBodies(engine_, bodies);
        if (!result.done()) {
            prompt_.message(result.message, result.title);
            return Step::Refused;
        }
        // The store's bodies follow the file's in one transaction.
        Transaction transaction(store_);
        statements::BodyUpdate setBody(store_);
        for (const auto& [row, body] : bodies)
            setBody(row.id, body);
        transaction.commit();
    }
    replacements_ += occurrences;
    return finished();
}

// The end of a search that replaced: the counts said, the search over.
SearchReplace::Step SearchReplace::finished() {
    prompt_.message(std::to_string(replacements_) + " occurrences in " +
                        std::to_string(replacedIn_.size()) + " macros replaced",
                    "Search/Replace");
    writtenHere_ = false;
    running_ = false;
    progress_("Replaced");
    return Step::Finished;
}

} // namespace qmk
