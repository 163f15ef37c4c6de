#pragma once

#include "actions/operation_context.h"
#include "common/outcome.h"
#include "tools/reports.h"
#include "tools/search_replace.h"
#include "writer/record_walker.h"

#include <optional>
#include <string>
#include <vector>

namespace qmk::actions {

// Operations on a selection of commands, each rebuilding the whole command file once. The
// selection is a value: the choice (all, a Program, a Group, a Scope or picked names) and the
// window's current Program, Scope and Group; the View filter of the session narrows it.

// The external-change check every operation starts with: the file changed behind the store,
// which is then read again and the operation chosen anew.
std::optional<Outcome> refusedBeforeSelection(const OperationContext& session);

// The rows a tool acts on: done with the rows, or why there are none (the file changed behind
// the store, nothing picked, nothing the View shows).
ChosenRows selectForTool(const OperationContext& session, const ReportRequest& selection);
// Search and replace begins: the rows chosen as for every tool, the day's archive taken before
// anything can be replaced. Not done when there are no rows to search.
Outcome startSearch(const OperationContext& session, const ReportRequest& selection,
                    SearchReplace& search);

// The operations below hand back more than their message. Each outcome type takes a plain outcome
// (a refusal, a cancel) as it is, with nothing more to hand back.

// A delete's outcome, and whether it took the commands of a Group (the window then shows
// "All groups").
struct DeleteOutcome : Outcome {
    DeleteOutcome(Outcome outcome = {}) : Outcome(std::move(outcome)) {}
    bool byGroup = false;
};
DeleteOutcome deleteSelected(const OperationContext& session, const ReportRequest& selection);

// A Group rename's outcome, and the Group the commands now have (the window shows it).
struct GroupRenameOutcome : Outcome {
    GroupRenameOutcome(Outcome outcome = {}) : Outcome(std::move(outcome)) {}
    std::string renamedTo;
};
GroupRenameOutcome renameGroup(const OperationContext& session, const ReportRequest& selection,
                               const std::string& newGroup);
// A trailing ".exe" is dropped. The user's own file may not have every Program renamed at once.
Outcome renameProgram(const OperationContext& session, const ReportRequest& selection,
                      const std::string& newProgram);
// The conversion to Advanced Scripting with SendKeys is for English users only.
std::optional<Outcome> dvcConversionRefusal(const std::string& language, WalkOperation operation);
// "dvc2plain", "dvc2vba" or "dvc2sdk" on the selected keys commands.
Outcome convertDvcs(const OperationContext& session, const ReportRequest& selection,
                    WalkOperation operation);

// The file an export writes: the name given, with ".dat" added when it lacks it.
std::string exportTargetFile(std::string target);

// What to do when the export's target exists: ask (Overwrite, Append, Cancel) or as told.
enum class ExistingTarget { Ask, Overwrite, Append };
// An export's outcome, the file it wrote (empty when none) and what it wrote, counted.
struct ExportOutcome : Outcome {
    ExportOutcome(Outcome outcome = {}) : Outcome(std::move(outcome)) {}
    std::filesystem::path written;
    std::string detail;
};
// The target gets ".dat" when it lacks it (after an OK).
ExportOutcome exportSelected(const OperationContext& session, const ReportRequest& selection,
                             std::string target, ExistingTarget existing);

// The whole file rewritten in an older format: "6.0", "6.1", "7.0" or "8.0". Never the user's own
// file.
Outcome convertFileFormat(const OperationContext& session, const std::string& label);

// The language dialog's line about the open file: its language, or why it cannot be converted.
std::string languageDialogStatus(bool productionFile, const std::string& language);
// The entries of the language dialog's list.
const std::vector<std::string>& languageChoices();
// The header's language byte rewritten: `choice` is one of `languageChoices()` ("to Dutch") or a
// bare language name. Never the user's own file.
Outcome convertFileLanguage(const OperationContext& session, const std::string& choice);

// A report of the selection to a file, the printer or the clipboard.
Outcome writeReport(const OperationContext& session, const ReportRequest& request);

} // namespace qmk::actions
