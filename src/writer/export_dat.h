#pragma once

#include "store/selection.h"
#include "writer/update_engine.h"

#include <filesystem>
#include <functional>
#include <map>
#include <string>

namespace qmk {

enum class ExportMode { NewFile, Overwrite, Append };

// The duplicate prompt's five answers, in the order of its buttons.
enum class DuplicateAnswer { Yes, No, YesToAll, NoToAll, CancelExport };
// A command the target already holds: its name, Program and Scope (UTF-8).
struct DuplicateCommand {
    std::string name, program, scope;
};
using DuplicateQuestion = std::function<DuplicateAnswer(const DuplicateCommand& command)>;

// The duplicate question asked command by command: a "to all" answer is remembered and stands
// for every later one; without a question, the target keeps its own command.
class DuplicateAnswers {
public:
    explicit DuplicateAnswers(const DuplicateQuestion& ask) : ask_(ask) {}
    DuplicateAnswer answer(const DuplicateCommand& command) {
        if (remembered_)
            return always_;
        const auto given = ask_ ? ask_(command) : DuplicateAnswer::No;
        remembered_ = given == DuplicateAnswer::YesToAll || given == DuplicateAnswer::NoToAll;
        always_ = given;
        return given;
    }

private:
    const DuplicateQuestion& ask_;
    // Not an optional: GCC 12 takes an optional enumeration here as maybe uninitialised.
    bool remembered_ = false;
    DuplicateAnswer always_ = DuplicateAnswer::No;
};

// An export's outcome (cancelled at a duplicate: the target was not changed) and its counts.
struct ExportResult {
    Outcome result;
    int exported = 0;                       // commands written from the open file
    int replaced = 0;                       // target commands replaced by them
    int kept = 0;                           // commands left out for the target's own of their name
    int lists = 0;                          // LISTs added to the target
    std::map<std::string, int> byType = {}; // the commands written, by type display name
};

// Exports the selected commands of the open command file, and the LISTs they name, into
// `target`.
// The export store mirrors the target in memory while it runs: duplicates are found and LISTs
// written once. The target is written once,
// atomically, at the end: a refusal or a cancel leaves it exactly as it was (or absent).
ExportResult exportCommands(UpdateEngine& source, const Selection& rows,
                            const std::filesystem::path& target, ExportMode mode,
                            const DuplicateQuestion& ask);

} // namespace qmk
