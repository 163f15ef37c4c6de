#pragma once

#include "mainwindow/finder.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qmk::app {

// The Find dialog: it keeps its settings while hidden, so F11 and F12 repeat the last search;
// closing it discards them.
class FindDialog final : public QDialog {
    Q_OBJECT
public:
    FindDialog(Finder& finder, QWidget* parent);

private:
    FindSettings settings() const;
    void after(bool matched);
    void discard();

    Finder& finder_;
    QLineEdit* text_;
    QRadioButton* name_;
    QRadioButton* content_;
    QRadioButton* scope_;
    QCheckBox* matchCase_;
    QPushButton* again_;
    QPushButton* previous_;
};

} // namespace qmk::app
