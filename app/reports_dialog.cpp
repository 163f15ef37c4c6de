#include "reports_dialog.h"

#include "mainwindow/tools_runner.h"
#include "selection_widgets.h"

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

ReportsDialog::ReportsDialog(MainPresenter& presenter, Prompt& prompt, ReportMode mode,
                             QWidget* parent)
    : QDialog(parent), presenter_(presenter), prompt_(prompt), mode_(mode) {
    const auto captions = reportCaptions(mode);
    setWindowTitle(QString::fromStdString(captions.caption));
    auto* layout = new QGridLayout(this);
    const auto& view = presenter_.browser().view();
    const bool following = view.followCommand || view.followList;

    const auto names = presenter_.browser().tab(CommandsTab).names();
    int row = 0;
    selection_ = addSelectionWidgets(this, layout, row, following, names, nullptr);

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
    if (mode == ReportMode::Xml) {
        // An XML command set is a file Dragon imports; it is neither printed nor copied.
        toPrinter->setEnabled(false);
        toClipboard->setEnabled(false);
        printers_->setEnabled(false);
        encoding_ = new QComboBox(this);
        encoding_->addItems({"UTF-16 (Dragon 11 and later)", "Windows-1252 (older versions)"});
        auto* label = new QLabel("&Encoding:", this);
        label->setBuddy(encoding_);
        layout->addWidget(label, row, 0);
        layout->addWidget(encoding_, row++, 1, 1, 2);
    }

    auto* action = new QPushButton(QString::fromStdString(captions.action), this);
    auto* cancel = new QPushButton("Cancel", this);
    action->setDefault(true);
    layout->addWidget(action, row, 1);
    layout->addWidget(cancel, row, 2);
    connect(action, &QPushButton::clicked, this, &ReportsDialog::act);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(selection_.choice, &QButtonGroup::idClicked, this, [this] { proposeFile(); });
    proposeFile();
}

ReportRequest ReportsDialog::request() const {
    auto r = selectionRequest(presenter_.browser(), selection_, mode_);
    r.destination = static_cast<Destination>(destination_->checkedId());
    r.file = file_->text().toStdString();
    return r;
}

void ReportsDialog::proposeFile() {
    const auto r = request();
    const auto file = proposedReportFile(presenter_.store(), presenter_.home(), r,
                                         followedName(presenter_.browser(), selection_));
    file_->setText(QString::fromStdString(file.string()));
}

void ReportsDialog::act() {
    if (encoding_) {
        const auto outcome = presenter_.exportXml(request(), encoding_->currentIndex() == 0
                                                                 ? xmltext::Encoding::Utf16
                                                                 : xmltext::Encoding::Windows1252);
        showOutcome(prompt_, outcome);
        if (outcome.done())
            accept();
        return;
    }
    auto& browser = presenter_.browser();
    ReportOutlets outlets;
    outlets.shown = [&browser](const UserRow& row) { return browser.passesView(row); };
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
    const auto outcome = presenter_.writeReport(request(), std::move(outlets));
    showOutcome(prompt_, outcome);
    if (outcome.done())
        accept();
}

} // namespace qmk::app
