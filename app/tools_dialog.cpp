#include "tools_dialog.h"

#include "actions/file_actions.h"
#include "qt_text.h"
#include "selection_widgets.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextCursor>

namespace qmk::app {

namespace {

using Choice = ReportRequest::Choice;

} // namespace

ToolsDialog::ToolsDialog(MainPresenter& presenter, Prompt& prompt, ToolMode mode, QWidget* parent)
    : QDialog(parent), presenter_(presenter), prompt_(prompt), mode_(mode) {
    auto& browser = presenter_.browser();
    const auto captions = toolsCaptions(mode, {});
    setWindowTitle(q(captions.caption));
    auto* layout = new QGridLayout(this);
    const auto counts = toolsCounts(presenter_.store(), browser.currentProgram(),
                                    browser.currentScope(), browser.currentGroup());
    const bool following = browser.view().followCommand || browser.view().followList;
    int row = 0;
    selection_ = addSelectionWidgets(
        this, layout, row, following,
        toolsPickList(presenter_.store(), browser.currentProgram(), browser.currentScope(),
                      [&browser](const UserRow& r) { return browser.passesView(r); }),
        &counts);
    if (!captions.entry.empty() || mode == ToolMode::Export) {
        if (mode == ToolMode::RenameProgram)
            layout->addWidget(new QLabel("New Program Name", this), row, 0);
        entry_ = new QLineEdit(q(captions.entry), this);
        layout->addWidget(entry_, row++, 1, 1, 3);
    }
    if (mode == ToolMode::Export) {
        // The export's file follows the choice, as the reports' files do.
        const auto propose = [this] {
            entry_->setText(q(proposedReportFile(presenter_.store(), presenter_.home(), request(),
                                                 followedName(presenter_.browser(), selection_))
                                  .string()));
        };
        entry_->setText(
            q(exportTargetAtOpening(presenter_.store(), presenter_.home(), browser.currentProgram())
                  .string()));
        connect(selection_.choice, &QButtonGroup::idClicked, this, propose);
    }
    if (mode == ToolMode::SearchAndReplace) {
        buildSearch(layout, row);
        return;
    }
    auto* action = new QPushButton(q(captions.action), this);
    auto* cancel = new QPushButton("Cancel", this);
    layout->addWidget(action, row, 2);
    layout->addWidget(cancel, row, 3);
    connect(action, &QPushButton::clicked, this, &ToolsDialog::act);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void ToolsDialog::buildSearch(QGridLayout* layout, int& row) {
    work_ = presenter_.operationRun(prompt_);
    search_ = std::make_unique<SearchReplace>(
        presenter_.store(), work_->engine(), prompt_,
        [this](const std::string& text) { presenter_.setProgress(text); });
    auto* label = new QLabel("Search &for", this);
    find_ = new QLineEdit(this);
    label->setBuddy(find_);
    with_ = new QLineEdit(this);
    matchCase_ = new QCheckBox("Match Case", this);
    name_ = new QLabel(this);
    body_ = new QPlainTextEdit(this);
    body_->setReadOnly(true);
    layout->addWidget(label, row, 0);
    layout->addWidget(find_, row++, 1, 1, 3);
    layout->addWidget(new QLabel("Replace with", this), row, 0);
    layout->addWidget(with_, row++, 1, 1, 3);
    layout->addWidget(matchCase_, row++, 0);
    layout->addWidget(name_, row++, 0, 1, 4);
    layout->addWidget(body_, row++, 0, 1, 4);
    auto* searchButton = new QPushButton("Search", this);
    auto* replace = new QPushButton("Replace", this);
    auto* replaceAll = new QPushButton("Replace all", this);
    auto* cancel = new QPushButton("Cancel", this);
    layout->addWidget(searchButton, row, 0);
    layout->addWidget(replace, row, 1);
    layout->addWidget(replaceAll, row, 2);
    layout->addWidget(cancel, row, 3);
    connect(find_, &QLineEdit::textEdited, this, [this] { search_->textChanged(); });
    connect(searchButton, &QPushButton::clicked, this, &ToolsDialog::search);
    connect(replace, &QPushButton::clicked, this, [this] {
        if (search_->refusesTexts(find_->text().toStdString(), with_->text().toStdString()))
            return;
        if (!search_->running())
            return search();
        showFound(search_->replace(find_->text().toStdString(), with_->text().toStdString(),
                                   matchCase_->isChecked()));
    });
    connect(replaceAll, &QPushButton::clicked, this, [this] {
        if (search_->refusesTexts(find_->text().toStdString(), with_->text().toStdString()))
            return;
        if (!search_->running())
            search();
        if (search_->running())
            showFound(search_->replaceAll(find_->text().toStdString(), with_->text().toStdString(),
                                          matchCase_->isChecked()));
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

// The Search button: the rows selected as for every tool, then the first occurrence.
void ToolsDialog::search() {
    if (!search_->running()) {
        auto& context = work_->context();
        if (search_->writtenHere())
            context.changedBehindUs = [] { return false; };
        const auto started = actions::startSearch(context, request(), *search_);
        if (!started.done()) {
            showOutcome(prompt_, started);
            if (started.code == Outcome::Code::Stale) {
                outcome_.done = true;
                accept();
            }
            return;
        }
    }
    showFound(search_->findNext(find_->text().toStdString(), matchCase_->isChecked()));
}

void ToolsDialog::showFound(SearchReplace::Step step) {
    if (search_->writtenHere())
        outcome_.fileChanged = true;
    if (step == SearchReplace::Step::Finished) {
        outcome_.fileChanged = true;
        outcome_.done = true;
        accept();
        return;
    }
    name_->setText(q(search_->name()));
    // The choice of rows stays as it was while a search runs through them.
    for (auto* button : selection_.choice->buttons())
        button->setEnabled(!search_->running());
    selection_.picks->setEnabled(!search_->running());
    if (step != SearchReplace::Step::Found)
        return;
    body_->setPlainText(q(search_->body()).replace("\r\n", "\n"));
    auto cursor = body_->textCursor();
    const auto start = static_cast<int>(search_->shownSelectionStart());
    cursor.setPosition(start);
    cursor.setPosition(start + static_cast<int>(search_->selectionLength()),
                       QTextCursor::KeepAnchor);
    body_->setTextCursor(cursor);
}

// Out of line: the search's type is complete only here.
ToolsDialog::~ToolsDialog() = default;

ReportRequest ToolsDialog::request() const {
    return selectionRequest(presenter_.browser(), selection_, ReportMode::Export);
}

void ToolsDialog::act() {
    const auto work = presenter_.operationRun(prompt_);
    auto& context = work->context();
    // The duplicate question names the file the export writes, ".dat" and all.
    context.duplicates = duplicatePrompt(
        prompt_, actions::exportTargetFile(entry_ ? entry_->text().toStdString() : std::string()),
        presenter_.commandFile().string());
    outcome_ = runTool(context, mode_, request(), entry_ ? entry_->text().toStdString() : "");
    if (outcome_.done)
        accept();
}

} // namespace qmk::app
