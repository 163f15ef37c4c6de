#pragma once

#include "common/outcome.h"
#include "common/program_dir.h"
#include "common/prompt.h"
#include "store/database.h"
#include "store/selection.h"
#include "store/user_row.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmk {

// What a report writes: the reports dialog's modes (the name list, the spreadsheet, the DVC and
// pseudo-DVC listings, the XML command set) and the export of commands.
enum class ReportMode { CommandList, Spreadsheet, Dvc, PseudoDvc, Xml, Export };
// The mode's file extension, which is also its name on qmk10's command line: "txt", "csv",
// "dvc", "pseudo", "xml", "dat".
std::string reportExtension(ReportMode mode);
std::optional<ReportMode> reportModeNamed(std::string_view name);

// The reports dialog's job.
struct ReportRequest {
    enum class Choice { All, Program, Group, Scope, Picked };
    enum class Destination { File, Printer, Clipboard };
    ReportMode mode = ReportMode::CommandList;
    Choice choice = Choice::All;
    Destination destination = Destination::File;
    std::filesystem::path file;
    std::string program, scope, group; // the main window's current ones
    std::vector<std::string> picked;   // entries picked from the window's command list
};

// Whether the choice takes `row`, as choosing the store's rows for it would.
bool selectionHolds(const ReportRequest& request, const UserRow& row);

// The dialog's caption, action button and default destination of a mode.
struct ReportCaptions {
    std::string caption, action;
    ReportRequest::Destination destination;
};
ReportCaptions reportCaptions(ReportMode mode);

// A file was written in `folder`: the next dialog proposes it. A folder that failed is never
// remembered, so the last one that worked is proposed.
void rememberExportFolder(Database& store, const std::filesystem::path& folder);

// The file name the dialog proposes: the export folder (the program's directory before the
// first export) and a name from the choice.
std::filesystem::path defaultReportFile(Database& store, const ProgramDir& home,
                                        const ReportRequest& request);

// The file a dialog proposes: as `defaultReportFile`, but with a follow view on, the picked
// choice is named after the followed LIST or command ("<" and ">" become "[" and "]") in the
// program's directory.
std::filesystem::path proposedReportFile(Database& store, const ProgramDir& home,
                                         const ReportRequest& request,
                                         const std::optional<std::string>& followed);

// What the reports need of the main window: its View filter, the printer and the clipboard.
struct ReportOutlets {
    std::function<bool(const UserRow&)> shown;
    std::function<void(const std::vector<std::string>& lines)> print;
    std::function<void(const std::string& text)> toClipboard;
};

// The rows of a choice narrowed to the View, or why there are none.
struct ChosenRows {
    Outcome outcome;
    Selection rows;
};
// The rows of the choice narrowed to the View: done with the rows, or refused with the reason
// there are none ("nothingPicked" when nothing was picked).
ChosenRows selectRows(Database& store, const ReportRequest& request, const ReportOutlets& outlets,
                      const std::string& nothingPicked);

// The action button: chooses the rows, narrows them to the View, writes the output. Refused or
// cancelled, the dialog stays open.
// A report goes neither over the command file it reads (`openFile`) nor the user's own.
Outcome runReport(Database& store, const ReportRequest& request, const ReportOutlets& outlets,
                  Prompt& prompt, const std::filesystem::path& openFile = {},
                  const std::filesystem::path& usersOwnFile = {});

// The name list and the spreadsheet of the rows given, in `name` order.
std::string reportNameList(Database& store, const Selection& rows);
std::string reportSpreadsheet(Database& store, const Selection& rows);

} // namespace qmk
