#include "tools/reports.h"

#include "common/codepage.h"
#include "common/file_io.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "store/parameters.h"
#include "store/statements.h"
#include "store/user_rows.h"
#include "tools/pseudo_dvc.h"
#include "writer/guarded_write.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace qmk {

namespace {

// A spreadsheet field: quoted, with every quote inside doubled.
std::string inQuotes(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// The rows the View would show (and, for the DVC listing, of its types only).
Selection narrow(Database& store, const Selection& rows, const ReportOutlets& outlets,
                 bool dvcOnly) {
    std::vector<std::int64_t> shown;
    statements::forEachRow(store, rows, [&](const UserRow& row) {
        // The DVC listing holds keystroke, script and LIST rows only.
        const bool dvcType = row.type == ItemType::Keys || row.type == ItemType::Script ||
                             row.type == ItemType::List;
        if (outlets.shown(row) && (!dvcOnly || dvcType))
            shown.push_back(row.id);
        return true;
    });
    return Selection(std::move(shown));
}

Selection rowsOfChoice(Database& store, const ReportRequest& r) {
    using Choice = ReportRequest::Choice;
    switch (r.choice) {
    case Choice::All:
        return statements::selectAll(store);
    case Choice::Group:
        return r.group == kAllGroups ? statements::selectAll(store)
                                     : statements::selectGroup(store, r.group);
    case Choice::Program:
        return statements::selectProgram(store, r.program);
    case Choice::Scope:
        return statements::selectProgramScope(store, r.program, r.scope);
    case Choice::Picked:
        break;
    }
    std::vector<std::int64_t> ids;
    for (const auto& name : r.picked)
        if (const auto id = statements::firstNamed(store, r.program, r.scope, name))
            ids.push_back(*id);
    return Selection(std::move(ids));
}

} // namespace

bool selectionHolds(const ReportRequest& r, const UserRow& row) {
    using Choice = ReportRequest::Choice;
    switch (r.choice) {
    case Choice::All:
        return true;
    case Choice::Group:
        return r.group == kAllGroups || row.group == r.group;
    case Choice::Program:
        return row.program == r.program;
    case Choice::Scope:
        return row.program == r.program && row.scope == r.scope;
    case Choice::Picked:
        break;
    }
    return row.program == r.program && row.scope == r.scope &&
           std::find(r.picked.begin(), r.picked.end(), row.name) != r.picked.end();
}

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace

namespace {

constexpr std::pair<ReportMode, const char*> kModeNames[] = {
    {ReportMode::CommandList, "txt"}, {ReportMode::Spreadsheet, "csv"},
    {ReportMode::Dvc, "dvc"},         {ReportMode::PseudoDvc, "pseudo"},
    {ReportMode::Xml, "xml"},         {ReportMode::Export, "dat"},
};

} // namespace

std::string reportExtension(ReportMode mode) {
    for (const auto& [each, name] : kModeNames)
        if (each == mode)
            return name;
    return "txt";
}

std::optional<ReportMode> reportModeNamed(std::string_view name) {
    for (const auto& [mode, each] : kModeNames)
        if (each == name)
            return mode;
    return std::nullopt;
}

ReportCaptions reportCaptions(ReportMode mode) {
    using Destination = ReportRequest::Destination;
    switch (mode) {
    case ReportMode::CommandList:
        return {"Print COMMAND list", "Print", Destination::Printer};
    case ReportMode::Spreadsheet:
        return {"Export (spreadsheet)", "Export", Destination::File};
    case ReportMode::Dvc:
        return {"Export (dvc)", "Export", Destination::File};
    case ReportMode::Xml:
        return {"Export to XML", "Export", Destination::File};
    case ReportMode::PseudoDvc:
    case ReportMode::Export:
        break;
    }
    return {"Export to pseudo dvc", "Export", Destination::File};
}

void rememberExportFolder(Database& store, const std::filesystem::path& folder) {
    Parameters parameters(store);
    if (parameters.get(Parameters::Text::exportPath) != utf8Of(folder))
        parameters.set(Parameters::Text::exportPath, utf8Of(folder));
}

std::filesystem::path defaultReportFile(Database& store, const ProgramDir& home,
                                        const ReportRequest& r) {
    const auto stored = Parameters(store).get(Parameters::Text::exportPath);
    const std::filesystem::path folder =
        stored && !stored->empty() ? pathFromUtf8(*stored) : home.folder();
    using Choice = ReportRequest::Choice;
    switch (r.choice) {
    case Choice::All:
        return folder / pathFromUtf8("global." + reportExtension(r.mode));
    case Choice::Program:
        return folder / pathFromUtf8(r.program + "." + reportExtension(r.mode));
    case Choice::Group:
        return folder / pathFromUtf8(r.group + "." + reportExtension(r.mode));
    case Choice::Scope:
        return folder / pathFromUtf8(r.scope + "." + reportExtension(r.mode));
    case Choice::Picked:
        break;
    }
    return folder / pathFromUtf8("selected." + reportExtension(r.mode));
}

std::filesystem::path proposedReportFile(Database& store, const ProgramDir& home,
                                         const ReportRequest& r,
                                         const std::optional<std::string>& followed) {
    if (r.choice != ReportRequest::Choice::Picked || !followed)
        return defaultReportFile(store, home, r);
    auto name = *followed;
    for (auto& c : name)
        c = c == '<' ? '[' : c == '>' ? ']' : c;
    return home.file(name + "." + reportExtension(r.mode));
}

std::string reportNameList(Database& store, const Selection& rows) {
    std::string text;
    std::optional<std::pair<std::string, std::string>> last;
    const std::string crlf(kCrLf);
    for (const auto& row : statements::rowsOf(store, rows, statements::RowOrder::Names)) {
        const std::pair<std::string, std::string> pair{row.program, row.scope};
        if (!last || *last != pair)
            text += crlf + pair.first + " " + pair.second + crlf;
        last = pair;
        text += row.name + crlf;
    }
    return text;
}

std::string reportSpreadsheet(Database& store, const Selection& rows) {
    std::string text;
    for (const auto& row : statements::rowsOf(store, rows, statements::RowOrder::Names)) {
        const auto first = row.script.substr(0, row.script.find("\r\n"));
        text += inQuotes(row.program) + "," + inQuotes(row.scope) + "," +
                inQuotes(letterOf(row.type)) + "," + inQuotes(row.name) + "," + inQuotes(first) +
                "," + inQuotes(row.group) + "," + inQuotes(row.description) + std::string(kCrLf);
    }
    return text;
}

ChosenRows selectRows(Database& store, const ReportRequest& r, const ReportOutlets& outlets,
                      const std::string& nothingPicked) {
    if (r.choice == ReportRequest::Choice::Picked && r.picked.empty())
        return {Outcome::refused(nothingPicked, r.scope), {}};
    auto rows = narrow(store, rowsOfChoice(store, r), outlets, false);
    if (rows.empty())
        return {Outcome::refused("There are no macros of the specified type to Export",
                                 "Change Program, Scope, or Type of Export"),
                {}};
    return {Outcome::success("", "", false), std::move(rows)};
}

Outcome runReport(Database& store, const ReportRequest& r, const ReportOutlets& outlets,
                  Prompt& prompt, const std::filesystem::path& openFile,
                  const std::filesystem::path& usersOwnFile) {
    auto chosen = selectRows(store, r, outlets, "Nothing is selected to print/export");
    if (!chosen.outcome.done())
        return chosen.outcome;
    const auto& rows = chosen.rows;
    const bool toFile = r.destination == ReportRequest::Destination::File;
    const WriteTarget target{r.file, WriteTarget::Kind::Text, openFile, usersOwnFile};
    if (toFile) {
        const auto folder = std::filesystem::absolute(r.file).parent_path();
        if (!std::filesystem::is_directory(folder))
            return Outcome::refused("Folder does not exist", utf8Of(folder));
        if (const auto refusal = writeRefusal(target))
            return Outcome::refused("The report cannot be written there: " + *refusal,
                                    utf8Of(r.file));
        if (std::filesystem::exists(r.file) &&
            !Prompt::goesOn(
                prompt.ask(kOverwriteQuestion, utf8Of(r.file), Prompt::Buttons::OkCancel)))
            return Outcome::cancelled();
    }
    std::string text;
    if (r.mode == ReportMode::CommandList) {
        text = reportNameList(store, rows);
    } else if (r.mode == ReportMode::Spreadsheet) {
        text = reportSpreadsheet(store, rows);
    } else {
        const auto listed = r.mode == ReportMode::Dvc ? narrow(store, rows, outlets, true) : rows;
        if (listed.empty())
            return Outcome::refused("There are no DVC commands in this Scope or View", "Sorry");
        text = pseudoDvcText(store, listed);
    }
    // The text goes out in the command file's code page.
    if (r.mode == ReportMode::CommandList || r.mode == ReportMode::Spreadsheet)
        if (auto encoded = codepage::fromUtf8(text); encoded.ok)
            text = std::move(encoded.bytes);
    switch (r.destination) {
    case ReportRequest::Destination::File:
        try {
            writeTarget(FileOps::system(), target, text);
        } catch (const FileError& error) {
            return Outcome::refused(error.what(), "The report was not written");
        }
        rememberExportFolder(store, std::filesystem::absolute(r.file).parent_path());
        break;
    case ReportRequest::Destination::Printer:
        if (!outlets.print)
            return Outcome::refused("There is no printer to print on", "Print");
        outlets.print(linesOf(codepage::toUtf8(text)));
        break;
    case ReportRequest::Destination::Clipboard:
        if (!outlets.toClipboard)
            return Outcome::refused("There is no clipboard to copy to", "Clipboard");
        outlets.toClipboard(codepage::toUtf8(text));
        break;
    }
    return Outcome::success("", "", false);
}

} // namespace qmk
