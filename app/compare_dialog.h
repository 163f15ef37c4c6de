#pragma once

#include "mainwindow/archive_compare.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPlainTextEdit;

namespace qmk::app {

class ItemTable;

// "Compare with archive": the archive to compare with, the differences, the two bodies side by
// side, and the restore of the chosen items.
class CompareDialog final : public QDialog {
    Q_OBJECT
public:
    CompareDialog(ArchiveComparison& comparison, Prompt& prompt, QWidget* parent);

    bool fileChanged() const { return fileChanged_; }

private:
    void compare();
    void showBodies();
    void restore();
    void fill();

    ArchiveComparison& comparison_;
    Prompt& prompt_;
    QComboBox* archives_;
    ItemTable* differences_;
    QPlainTextEdit* before_;
    QPlainTextEdit* after_;
    QLabel* summary_;
    bool fileChanged_ = false;
};

// "Find conflicts": one row a conflict; choosing one takes the window to its first command.
class ConflictsDialog final : public QDialog {
    Q_OBJECT
public:
    ConflictsDialog(ConflictList& conflicts, QWidget* parent);

private:
    ConflictList& conflicts_;
    ItemTable* table_;
};

} // namespace qmk::app
