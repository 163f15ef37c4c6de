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

protected:
    void showEvent(QShowEvent* event) override;

private:
    FindSettings settings() const;
    // After a search: `first` is the Find button's, from the start of the store.
    void after(bool matched, bool first);
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
