#include "compare_dialog.h"

#include "qt_text.h"
#include "tools/tools_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
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

    differences_ = new QListWidget(this);
    differences_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    differences_->setAccessibleName("Differences");
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
    connect(differences_, &QListWidget::currentRowChanged, this, &CompareDialog::showBodies);
    connect(restoreButton, &QPushButton::clicked, this, &CompareDialog::restore);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(760, 520);
    if (archives_->count() > 0 && comparison_.archives().front() != "none to rollback")
        compare();
}

void CompareDialog::fill() {
    differences_->clear();
    for (const auto& line : comparison_.lines())
        differences_->addItem(q(line));
    summary_->setText(q(comparison_.summary()));
    if (differences_->count() > 0) {
        differences_->setCurrentRow(0);
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
    const auto [archived, now] = comparison_.bodies(static_cast<std::size_t>(row));
    before_->setPlainText(q(archived));
    after_->setPlainText(q(now));
}

void CompareDialog::restore() {
    std::vector<std::size_t> chosen;
    for (const auto* item : differences_->selectedItems())
        chosen.push_back(static_cast<std::size_t>(differences_->row(item)));
    if (comparison_.restore(chosen, duplicatePrompt(prompt_, comparison_.currentFile().string(),
                                                    comparison_.archive().string()))) {
        fileChanged_ = true;
        fill();
    }
}

ConflictsDialog::ConflictsDialog(ConflictList& conflicts, QWidget* parent)
    : QDialog(parent), conflicts_(conflicts) {
    setWindowTitle("Conflicts");
    auto* layout = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setAccessibleName("Conflicts");
    for (const auto& line : conflicts_.lines())
        list_->addItem(q(line));
    layout->addWidget(new QLabel(q(std::to_string(conflicts_.conflicts().size()) +
                                   " spoken forms collide; choose one to go to its command"),
                                 this));
    layout->addWidget(list_, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        conflicts_.jumpTo(static_cast<std::size_t>(list_->row(item)));
        accept();
    });
    resize(760, 400);
}

} // namespace qmk::app
