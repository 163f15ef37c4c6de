#pragma once

#include "mainwindow/main_presenter.h"
#include "selection_widgets.h"
#include "tools/reports.h"

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QListWidget;

namespace qmk::app {

// The reports dialog in one of its modes ("txt", "csv", "dvc", "pseudo", and "xml" for the XML
// command format): which commands, and where the listing goes.
class ReportsDialog final : public QDialog {
    Q_OBJECT
public:
    ReportsDialog(MainPresenter& presenter, Prompt& prompt, const std::string& mode,
                  QWidget* parent);

private:
    ReportRequest request() const;
    void proposeFile();
    void act();

    MainPresenter& presenter_;
    Prompt& prompt_;
    std::string mode_;
    SelectionWidgets selection_;
    QButtonGroup* destination_;
    QLineEdit* file_;
    QComboBox* printers_;
    QComboBox* encoding_ = nullptr; // "xml" only
};

} // namespace qmk::app
