#include "find_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace qmk::app {

FindDialog::FindDialog(Finder& finder, QWidget* parent) : QDialog(parent), finder_(finder) {
    setWindowTitle("Find");
    auto* layout = new QGridLayout(this);
    auto* label = new QLabel("&Search for:", this);
    text_ = new QLineEdit(this);
    text_->setObjectName("searchfor");
    label->setBuddy(text_);
    name_ = new QRadioButton("COMMAND (or LIST) name", this);
    name_->setObjectName("findname");
    content_ = new QRadioButton("Macro (or LIST) body", this);
    content_->setObjectName("findcontent");
    scope_ = new QRadioButton("Scope name", this);
    scope_->setObjectName("findstate");
    name_->setChecked(true);
    matchCase_ = new QCheckBox("Match Case", this);
    matchCase_->setObjectName("casematch");
    auto* find = new QPushButton("Find", this);
    find->setObjectName("findnext");
    find->setDefault(true);
    again_ = new QPushButton("Find Again", this);
    again_->setObjectName("findagain");
    previous_ = new QPushButton("Find Previous", this);
    previous_->setObjectName("findprevious");
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("findcancel");
    again_->setEnabled(false);
    previous_->setEnabled(false);
    layout->addWidget(label, 0, 0);
    layout->addWidget(text_, 0, 1, 1, 3);
    layout->addWidget(name_, 1, 0, 1, 2);
    layout->addWidget(content_, 2, 0, 1, 2);
    layout->addWidget(scope_, 3, 0, 1, 2);
    layout->addWidget(matchCase_, 4, 0, 1, 2);
    layout->addWidget(find, 1, 3);
    layout->addWidget(again_, 2, 3);
    layout->addWidget(previous_, 3, 3);
    layout->addWidget(cancel, 4, 3);

    connect(find, &QPushButton::clicked, this, [this] {
        if (text_->text().isEmpty())
            return discard();
        after(finder_.findFirst(settings()), true);
    });
    connect(again_, &QPushButton::clicked, this, [this] {
        if (text_->text().isEmpty())
            return discard();
        after(finder_.findAgain(), false);
    });
    connect(previous_, &QPushButton::clicked, this, [this] {
        if (text_->text().isEmpty())
            return discard();
        after(finder_.findPrevious(), false);
    });
    connect(cancel, &QPushButton::clicked, this, &FindDialog::discard);
    connect(this, &QDialog::rejected, this, &FindDialog::discard); // Escape
}

FindSettings FindDialog::settings() const {
    FindSettings s;
    s.text = text_->text().toStdString();
    s.field = content_->isChecked() ? FindSettings::Field::Content
              : scope_->isChecked() ? FindSettings::Field::Scope
                                    : FindSettings::Field::Name;
    s.matchCase = matchCase_->isChecked();
    return s;
}

void FindDialog::showEvent(QShowEvent* event) {
    // Opened again, the dialog waits in its search text with the whole text chosen.
    text_->setFocus();
    text_->selectAll();
    QDialog::showEvent(event);
}

void FindDialog::after(bool matched, bool first) {
    again_->setEnabled(finder_.findAgainEnabled());
    if (!matched && first) {
        // Nothing found from the start: the text can be mended at once.
        text_->setFocus();
        text_->selectAll();
        return;
    }
    previous_->setEnabled(previous_->isEnabled() || matched);
    again_->setFocus();
    // A match, or no more of them: the window shows where the search stands.
    accept();
}

void FindDialog::discard() {
    finder_.forget();
    text_->clear();
    name_->setChecked(true);
    matchCase_->setChecked(false);
    again_->setEnabled(false);
    previous_->setEnabled(false);
    hide();
}

} // namespace qmk::app
