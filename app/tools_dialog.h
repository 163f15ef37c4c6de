#pragma once

#include "mainwindow/main_session.h"
#include "tools/tools_dialog.h"

#include <QDialog>

class QButtonGroup;
class QLineEdit;
class QListWidget;

namespace qmk::app {

// The tools dialog in one of its modes: which commands, and the entry text the mode needs.
class ToolsDialog final : public QDialog {
    Q_OBJECT
public:
    ToolsDialog(MainSession& session, Prompt& prompt, const std::string& mode, QWidget* parent);
    ~ToolsDialog() override;

    const ToolsOutcome& outcome() const { return outcome_; }

private:
    ReportRequest request() const;
    void act();

    MainSession& session_;
    Prompt& prompt_;
    std::string mode_;
    QButtonGroup* choice_;
    QListWidget* picks_;
    QLineEdit* entry_ = nullptr;
    ToolsOutcome outcome_;
};

} // namespace qmk::app
