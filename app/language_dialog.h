#pragma once

#include "mainwindow/main_session.h"

#include <QDialog>

class QListWidget;

namespace qmk::app {

// "Convert Language": the explanation, the open file's language (or why it cannot be changed),
// the list of languages and Convert.
class LanguageDialog final : public QDialog {
    Q_OBJECT
public:
    LanguageDialog(MainSession& session, QWidget* parent);

private:
    MainSession& session_;
    QListWidget* languages_;
};

} // namespace qmk::app
