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

// The reports dialog in one of its modes (and the XML command format's export): which commands,
// and where the listing goes.
class ReportsDialog final : public QDialog {
    Q_OBJECT
public:
    ReportsDialog(MainPresenter& presenter, Prompt& prompt, ReportMode mode, QWidget* parent);

private:
    ReportRequest request() const;
    void proposeFile();
    void act();

    MainPresenter& presenter_;
    Prompt& prompt_;
    ReportMode mode_;
    SelectionWidgets selection_;
    QButtonGroup* destination_;
    QLineEdit* file_;
    QComboBox* printers_;
    QComboBox* encoding_ = nullptr; // "xml" only
};

} // namespace qmk::app
