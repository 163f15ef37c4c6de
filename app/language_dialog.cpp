#include "language_dialog.h"

#include "actions/file_actions.h"
#include "qt_text.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace qmk::app {

LanguageDialog::LanguageDialog(MainPresenter& presenter, QWidget* parent)
    : QDialog(parent), presenter_(presenter) {
    setWindowTitle("Convert Language");
    auto* layout = new QVBoxLayout(this);
    auto* explanation = new QLabel(
        "This command modifies the .dat file header to the language specified.  This is "
        "necessary to be able to exchange macros (Export-Import) from one language to "
        "another.\nOf course, no translation of the command names, or any text contained in the "
        "macros is done.  This must be done separately by the User.",
        this);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);
    auto* status = new QLabel(q(presenter_.languageStatus()), this);
    status->setObjectName("languageStatus");
    layout->addWidget(status);
    layout->addWidget(new QLabel(q(presenter_.commandFile().string()), this));
    auto* label = new QLabel("&Language", this);
    languages_ = new QListWidget(this);
    languages_->setAccessibleName("Language");
    label->setBuddy(languages_);
    for (const auto& choice : actions::languageChoices())
        languages_->addItem(q(choice));
    languages_->setCurrentRow(0);
    layout->addWidget(label);
    layout->addWidget(languages_);
    auto* convert = new QPushButton("&Convert", this);
    auto* cancel = new QPushButton("Cancel", this);
    convert->setDefault(true);
    layout->addWidget(convert);
    layout->addWidget(cancel);
    connect(convert, &QPushButton::clicked, this, [this] {
        const auto* chosen = languages_->currentItem();
        if (chosen && presenter_.convertLanguage(chosen->text().toStdString()))
            accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

} // namespace qmk::app
