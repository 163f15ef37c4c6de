#pragma once

#include "tools/command_set.h"

#include <string>
#include <vector>

namespace qmk {

inline constexpr std::size_t kPhrasesPerCommand = 500; // LIST expansion stops here

// Two commands Dragon could hear alike where both are active: the same spoken form in scopes
// that overlap (Global Commands overlap every Scope; a Program's application-wide Scope overlaps
// its window Scopes; a window Scope overlaps itself).
struct Conflict {
    enum class Kind {
        Duplicate,    // the same name twice in one Program and Scope
        Global,       // a Program's command named as a global one
        Scopes,       // an application-wide and a window command of one Program
        ListExpanded, // names that differ, but not once their LISTs are filled in
    };
    Kind kind = Kind::Duplicate;
    const SetItem* first = nullptr;
    const SetItem* second = nullptr;
    std::string phrase; // one phrase both answer, as the first one's LISTs fill it in
};

// Spoken forms compare without regard to case or runs of blanks. A name's <list> references
// are filled in with the items of the file's LISTs of those names, up to kPhrasesPerCommand
// phrases a command; a reference to a LIST the file lacks stays as written.
std::vector<Conflict> findConflicts(const CommandSet& set);

std::string conflictKindName(Conflict::Kind kind);
// "global  WINWORD | Document1 | save file  <->  Global Commands | Global Commands | save file"
std::string conflictLine(const Conflict& conflict);

} // namespace qmk
