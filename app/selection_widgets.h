#pragma once

#include "mainwindow/browser.h"
#include "tools/reports.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

class QButtonGroup;
class QGridLayout;
class QListWidget;
class QWidget;

namespace qmk::app {

// The choice of rows the reports and tools dialogs share: all, Program, Group, Scope or picked,
// and the list to pick from. While a follow view is on, picking is preselected ("See below").
struct SelectionWidgets {
    QButtonGroup* choice = nullptr;
    QListWidget* picks = nullptr;
};

// Adds the five choices (with `counts` beside the first four when given) from `row` down in
// column 0, and the pick list beside them.
SelectionWidgets addSelectionWidgets(QWidget* dialog, QGridLayout* layout, int& row, bool following,
                                     const std::vector<std::string>& names,
                                     const std::array<std::string, 4>* counts);

// With a follow view on, the name the picked choice's file takes: the followed LIST, or the
// followed command (the first entry of the pick list).
std::optional<std::string> followedName(const Browser& browser, const SelectionWidgets& widgets);

// The request the choice makes, for the window's current Program, Scope and Group.
ReportRequest selectionRequest(const Browser& browser, const SelectionWidgets& widgets,
                               ReportMode mode);

} // namespace qmk::app
