#pragma once

#include "common/prompt.h"
#include "store/database.h"
#include "store/selection.h"
#include "writer/update_engine.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>

namespace qmk {

// Search and replace over the selected rows' bodies, one occurrence at a time. Only bodies that
// are plain strings are searched: scripts, key strings, Advanced Scripts and LIST items.
class SearchReplace {
public:
    enum class Step { Found, NoMore, Finished, Refused };

    SearchReplace(Database& store, UpdateEngine& engine, Prompt& prompt,
                  std::function<void(const std::string&)> progress)
        : store_(store), engine_(engine), prompt_(prompt), progress_(std::move(progress)) {}

    // The rows chosen: the search reads those of the searchable types; a new search starts.
    void start(const Selection& chosen);
    // Editing the search text ends a running search.
    void textChanged() { running_ = false; }
    Step findNext(const std::string& text, bool matchCase);
    // True, after the message that says why, when Replace cannot use these texts (an empty
    // search or replacement text, a character the code page lacks). Replace and Replace all
    // ask it first; a front end asks it before it starts the search that Replace needs.
    bool refusesTexts(const std::string& text, const std::string& with) {
        return !replacementBytes(text, with);
    }
    Step replace(const std::string& text, const std::string& with, bool matchCase);
    Step replaceAll(const std::string& text, const std::string& with, bool matchCase);

    bool running() const { return running_; }
    bool writtenHere() const { return writtenHere_; }
    // The command shown and the occurrence selected in its body (characters, from 0).
    const std::string& name() const { return name_; }
    const std::string& body() const { return body_; }
    std::size_t selectionStart() const { return found_; }
    // The occurrence's start as a text box shows the body: a CR LF line break is one character.
    std::size_t shownSelectionStart() const;
    std::size_t selectionLength() const { return length_; }

private:
    // The replacement in the code page, or nullopt after the message that says why not.
    std::optional<std::string> replacementBytes(const std::string& text, const std::string& with);
    Step finished();
    std::size_t occurrence(const std::string& body, const std::string& text, bool matchCase,
                           std::size_t from) const;

    Database& store_;
    Selection rows_;
    UpdateEngine& engine_;
    Prompt& prompt_;
    std::function<void(const std::string&)> progress_;
    bool running_ = false;
    bool writtenHere_ = false;
    std::int64_t row_ = 0; // the row the search stands on
    std::size_t next_ = 0; // where the next look starts in its body
    std::size_t found_ = 0, length_ = 0;
    int replacements_ = 0;
    std::set<std::int64_t> replacedIn_;
    std::string name_, body_;
};

} // namespace qmk
