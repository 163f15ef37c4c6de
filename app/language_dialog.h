#pragma once

#include "mainwindow/main_presenter.h"

#include <QDialog>

class QListWidget;

namespace qmk::app {

// "Convert Language": the explanation, the open file's language (or why it cannot be changed),
// the list of languages and Convert.
class LanguageDialog final : public QDialog {
    Q_OBJECT
public:
    LanguageDialog(MainPresenter& presenter, QWidget* parent);

private:
    MainPresenter& presenter_;
    QListWidget* languages_;
};

} // namespace qmk::app
