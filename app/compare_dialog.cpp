#include "compare_dialog.h"

#include "item_table.h"
#include "qt_text.h"
#include "tools/conflicts.h"
#include "tools/tools_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

namespace qmk::app {

CompareDialog::CompareDialog(ArchiveComparison& comparison, Prompt& prompt, QWidget* parent)
    : QDialog(parent), comparison_(comparison), prompt_(prompt) {
    setWindowTitle("Compare with archive");
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout();
    auto* label = new QLabel("&Archive:", this);
    archives_ = new QComboBox(this);
    label->setBuddy(archives_);
    for (const auto& archive : comparison_.archives())
        archives_->addItem(q(archive));
    archives_->setCurrentIndex(archives_->count() - 1);
    auto* compareButton = new QPushButton("&Compare", this);
    top->addWidget(label);
    top->addWidget(archives_, 1);
    top->addWidget(compareButton);
    layout->addLayout(top);

    differences_ = new ItemTable({"Change", "Kind", "Program", "Scope", "Name", "What changed"},
                                 "Differences", this);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    before_ = new QPlainTextEdit(splitter);
    after_ = new QPlainTextEdit(splitter);
    for (auto* body : {before_, after_}) {
        body->setReadOnly(true);
        body->setLineWrapMode(QPlainTextEdit::NoWrap);
    }
    before_->setAccessibleName("In the archive");
    after_->setAccessibleName("Now");
    before_->setPlaceholderText("In the archive");
    after_->setPlaceholderText("Now");
    auto* vertical = new QSplitter(Qt::Vertical, this);
    vertical->addWidget(differences_);
    vertical->addWidget(splitter);
    layout->addWidget(vertical, 1);
    summary_ = new QLabel(this);
    layout->addWidget(summary_);

    auto* buttons = new QDialogButtonBox(this);
    auto* restoreButton = buttons->addButton("&Restore chosen", QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Close);
    layout->addWidget(buttons);

    connect(compareButton, &QPushButton::clicked, this, &CompareDialog::compare);
    connect(differences_, &QTableWidget::currentCellChanged, this, &CompareDialog::showBodies);
    connect(restoreButton, &QPushButton::clicked, this, &CompareDialog::restore);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(760, 520);
    if (archives_->count() > 0 && comparison_.archives().front() != "none to rollback")
        compare();
}

void CompareDialog::fill() {
    static const char* const kChanges[] = {"added", "removed", "changed"};
    std::vector<QStringList> rows;
    for (const auto& d : comparison_.differences()) {
        const auto& item = d.item();
        QStringList fields;
        for (const auto& field : d.fields)
            fields << q(field);
        rows.push_back({kChanges[static_cast<int>(d.kind)], item.list ? "LIST" : "command",
                        q(item.program), q(item.scope), q(item.name), fields.join(", ")});
    }
    differences_->setRows(rows);
    summary_->setText(q(comparison_.summary()));
    if (differences_->rowCount() > 0) {
        differences_->setCurrentCell(0, 0);
    } else {
        before_->clear();
        after_->clear();
    }
}

void CompareDialog::compare() {
    if (comparison_.compare(archives_->currentText().toStdString()))
        fill();
}

void CompareDialog::showBodies() {
    const int row = differences_->currentRow();
    if (row < 0)
        return;
    const auto [archived, now] = comparison_.bodies(differences_->itemAt(row));
    before_->setPlainText(q(archived));
    after_->setPlainText(q(now));
}

void CompareDialog::restore() {
    if (comparison_.restore(differences_->chosenItems(),
                            restorePrompt(prompt_, comparison_.currentFile().string(),
                                          comparison_.archive().string()))) {
        fileChanged_ = true;
        fill();
    }
}

ConflictsDialog::ConflictsDialog(ConflictList& conflicts, QWidget* parent)
    : QDialog(parent), conflicts_(conflicts) {
    setWindowTitle("Conflicts");
    auto* layout = new QVBoxLayout(this);
    table_ = new ItemTable({"Kind", "Program", "Scope", "Name", "Example phrase", "Collides with"},
                           "Conflicts", this);
    std::vector<QStringList> rows;
    for (const auto& c : conflicts_.conflicts())
        rows.push_back({q(conflictKindName(c.kind)), q(c.first->program), q(c.first->scope),
                        q(c.first->name), q(c.phrase),
                        q(c.second->program + " | " + c.second->scope + " | " + c.second->name)});
    table_->setRows(rows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(new QLabel(q(std::to_string(conflicts_.conflicts().size()) +
                                   " spoken forms collide; choose one to go to its command"),
                                 this));
    layout->addWidget(table_, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto* jump = buttons->addButton("&Go to command", QDialogButtonBox::AcceptRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const auto goTo = [this] {
        if (table_->currentRow() < 0)
            return;
        conflicts_.jumpTo(table_->itemAt(table_->currentRow()));
        accept();
    };
    connect(jump, &QPushButton::clicked, this, goTo);
    connect(table_, &QTableWidget::cellActivated, this, goTo);
    resize(760, 400);
}

} // namespace qmk::app
