#include "reports_dialog.h"

#include "store/statements.h"

#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>

namespace qmk::app {

namespace {

using Choice = ReportRequest::Choice;
using Destination = ReportRequest::Destination;

} // namespace

ReportsDialog::ReportsDialog(MainSession& session, Prompt& prompt, const std::string& mode,
                             QWidget* parent)
    : QDialog(parent), session_(session), prompt_(prompt), mode_(mode) {
    const auto captions = reportCaptions(mode);
    setWindowTitle(QString::fromStdString(captions.caption));
    auto* layout = new QGridLayout(this);
    const auto& view = session_.browser().view();
    const bool following = view.followCommand || view.followList;

    choice_ = new QButtonGroup(this);
    const std::pair<const char*, Choice> choices[] = {{"&All", Choice::All},
                                                      {"&Program", Choice::Program},
                                                      {"&Group", Choice::Group},
                                                      {"&Scope", Choice::Scope}};
    int row = 0;
    for (const auto& [caption, value] : choices) {
        auto* button = new QRadioButton(caption, this);
        choice_->addButton(button, static_cast<int>(value));
        layout->addWidget(button, row++, 0);
    }
    auto* pick = new QRadioButton(following ? "See below" : "Pick and choose", this);
    choice_->addButton(pick, static_cast<int>(Choice::Picked));
    layout->addWidget(pick, row++, 0);
    choice_->button(static_cast<int>(following ? Choice::Picked : Choice::All))->setChecked(true);

    picks_ = new QListWidget(this);
    picks_->setSelectionMode(QAbstractItemView::MultiSelection);
    for (const auto& line : session_.browser().tab(CommandsTab).lines)
        if (line != kNothingToShow)
            picks_->addItem(QString::fromStdString(line));
    if (following)
        picks_->selectAll();
    layout->addWidget(picks_, 0, 1, row, 2);

    destination_ = new QButtonGroup(this);
    auto* toFile = new QRadioButton("File&name:", this);
    auto* toPrinter = new QRadioButton("Printer:", this);
    auto* toClipboard = new QRadioButton("Clip&board", this);
    destination_->addButton(toFile, static_cast<int>(Destination::File));
    destination_->addButton(toPrinter, static_cast<int>(Destination::Printer));
    destination_->addButton(toClipboard, static_cast<int>(Destination::Clipboard));
    destination_->button(static_cast<int>(captions.destination))->setChecked(true);
    file_ = new QLineEdit(this);
    printers_ = new QComboBox(this);
    printers_->addItems(QPrinterInfo::availablePrinterNames());
    layout->addWidget(toFile, row, 0);
    layout->addWidget(file_, row++, 1, 1, 2);
    layout->addWidget(toPrinter, row, 0);
    layout->addWidget(printers_, row++, 1, 1, 2);
    layout->addWidget(toClipboard, row++, 0);

    auto* action = new QPushButton(QString::fromStdString(captions.action), this);
    auto* cancel = new QPushButton("Cancel", this);
    action->setDefault(true);
    layout->addWidget(action, row, 1);
    layout->addWidget(cancel, row, 2);
    connect(action, &QPushButton::clicked, this, &ReportsDialog::act);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(choice_, &QButtonGroup::idClicked, this, [this] { proposeFile(); });
    proposeFile();
}

// Closing the dialog, whatever way, leaves nothing marked.
ReportsDialog::~ReportsDialog() {
    statements::clearFlags(session_.store());
}

ReportRequest ReportsDialog::request() const {
    ReportRequest r;
    r.mode = mode_;
    r.choice = static_cast<Choice>(choice_->checkedId());
    r.destination = static_cast<Destination>(destination_->checkedId());
    r.file = file_->text().toStdString();
    const auto& browser = session_.browser();
    r.program = browser.currentProgram();
    r.scope = browser.currentScope();
    r.group = browser.currentGroup();
    for (const auto* item : picks_->selectedItems())
        r.picked.push_back(item->text().toStdString());
    return r;
}

void ReportsDialog::proposeFile() {
    const auto r = request();
    auto file = defaultReportFile(session_.store(), session_.home(), r);
    const auto& view = session_.browser().view();
    // A followed command or LIST names the file, its brackets made safe for a file name.
    if (r.choice == Choice::Picked && (view.followCommand || view.followList)) {
        auto name = view.followList       ? view.followedList
                    : picks_->count() > 0 ? picks_->item(0)->text().toStdString()
                                          : std::string("selected");
        for (auto& c : name)
            c = c == '<' ? '[' : c == '>' ? ']' : c;
        file = session_.home().file(name + "." + mode_);
    }
    file_->setText(QString::fromStdString(file.string()));
}

void ReportsDialog::act() {
    auto& browser = session_.browser();
    ReportOutlets outlets;
    outlets.shown = [&browser](const UserRow& row, bool dvcOnly) {
        if (!dvcOnly)
            return browser.passesView(row);
        // Only keystroke, script and LIST rows, as far as their own switches are on.
        auto& view = browser.viewSwitches();
        const auto saved = view;
        for (const auto type : {TypeSwitch::Text, TypeSwitch::Plain, TypeSwitch::Recorder,
                                TypeSwitch::Steps, TypeSwitch::Advanced})
            view.on[static_cast<std::size_t>(type)] = false;
        const bool shown = browser.passesView(row);
        view = saved;
        return shown;
    };
    outlets.print = [this](const std::vector<std::string>& lines) {
        QPrinter printer;
        printer.setPrinterName(printers_->currentText());
        QString text;
        for (const auto& line : lines)
            text += QString::fromStdString(line) + "\n";
        QTextDocument page;
        page.setPlainText(text);
        page.print(&printer);
    };
    outlets.toClipboard = [](const std::string& text) {
        QGuiApplication::clipboard()->setText(QString::fromStdString(text));
    };
    if (runReport(session_.store(), request(), outlets, prompt_))
        accept();
}

} // namespace qmk::app
