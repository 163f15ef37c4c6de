#pragma once

#include "mainwindow/main_presenter.h"
#include "mainwindow/tools_runner.h"
#include "selection_widgets.h"
#include "tools/search_replace.h"
#include "tools/tools_dialog.h"

#include <QDialog>
#include <memory>

class QButtonGroup;
class QGridLayout;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QLineEdit;
class QListWidget;

namespace qmk::app {

// The tools dialog in one of its modes: which commands, and the entry text the mode needs.
class ToolsDialog final : public QDialog {
    Q_OBJECT
public:
    ToolsDialog(MainPresenter& presenter, Prompt& prompt, ToolMode mode, QWidget* parent);
    ~ToolsDialog() override;

    const ToolsOutcome& outcome() const { return outcome_; }

private:
    ReportRequest request() const;
    void act();
    void buildSearch(QGridLayout* layout, int& row);
    void search();
    void showFound(SearchReplace::Step step);

    MainPresenter& presenter_;
    Prompt& prompt_;
    ToolMode mode_;
    SelectionWidgets selection_;
    QLineEdit* entry_ = nullptr;
    ToolsOutcome outcome_;
    // Search and replace.
    actions::OperationRunPtr work_;
    std::unique_ptr<SearchReplace> search_;
    QLineEdit* find_ = nullptr;
    QLineEdit* with_ = nullptr;
    QCheckBox* matchCase_ = nullptr;
    QLabel* name_ = nullptr;
    QPlainTextEdit* body_ = nullptr;
};

} // namespace qmk::app
