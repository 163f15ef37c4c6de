#include "actions/file_actions.h"
#include "common/version.h"
#include "compare_dialog.h"
#include "find_dialog.h"
#include "help_viewer.h"
#include "main_window.h"
#include "qt_text.h"
#include "reports_dialog.h"
#include "rtf_reader.h"
#include "tools_dialog.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace qmk::app {

void MainWindow::openReports(ReportMode mode) {
    if (!presenter_->mayLeave())
        return render();
    {
        ReportsDialog dialog(*presenter_, prompt_, mode, this);
        addHelpKey(&dialog, helpFile("reports.html"));
        dialog.exec();
    }
    browser().reset(-1);
    render();
}

void MainWindow::importXmlFile(const QString& path) {
    presenter_->importXml(path.toStdString());
    render();
}

void MainWindow::openTools(ToolMode mode) {
    if (!presenter_->mayLeave())
        return render();
    if (const auto refusal = actions::dvcConversionRefusal(presenter_->languageName(),
                                                           mode == ToolMode::DvcToSendKeys
                                                               ? WalkOperation::DvcToSendKeys
                                                               : WalkOperation::DvcToPlainText)) {
        showOutcome(prompt_, *refusal);
        return;
    }
    presenter_->saveCycle().externalChange(true);
    if (mode == ToolMode::DvcToPlainText || mode == ToolMode::DvcToSendKeys)
        presenter_->keyConversionNotice([this](int topic) { showHelp(topic); });
    ToolsOutcome outcome;
    {
        ToolsDialog dialog(*presenter_, prompt_, mode, this);
        addHelpKey(&dialog, helpFile("tools.html"));
        dialog.exec();
        outcome = dialog.outcome();
    }
    if (!presenter_->afterTools(outcome))
        closeProgram();
    render();
}

void MainWindow::openComparison() {
    if (!presenter_->mayLeave())
        return render();
    ArchiveComparison comparison(*presenter_);
    bool changed = false;
    {
        CompareDialog dialog(comparison, prompt_, this);
        addHelpKey(&dialog, helpFile("compare.html"));
        dialog.exec();
        changed = dialog.fileChanged();
    }
    if (changed)
        browser().reset(-1);
    render();
}

void MainWindow::openFind() {
    if (!presenter_->mayLeave())
        return render();
    if (!find_) {
        find_ = new FindDialog(presenter_->finder(), this);
        addHelpKey(find_, helpFile("find.html"));
    }
    find_->exec();
    afterFind();
}

void MainWindow::afterFind() {
    if (!presenter_->finder().matched())
        return;
    presenter_->finder().showMatch();
    render();
    if (browser().item().highlight)
        body_->setFocus();
    else
        lists_[static_cast<std::size_t>(browser().showingTab())]->setFocus();
}

void MainWindow::repeatFind(bool forward) {
    auto& finder = presenter_->finder();
    if (forward)
        finder.findAgain();
    else
        finder.findPrevious();
    afterFind();
}

void MainWindow::showGraphic() {
    const auto& item = browser().item();
    if (!item.row)
        return;
    setProgress("Processing Formatted Command");
    showNow();
    if (const auto runs = formattedBody(presenter_->commandFile(), item.row->offsetbody)) {
        showRichText(*runs, *formatted_->document());
        body_->hide();
        formatted_->show();
        showGraphic_->hide();
    }
    setProgress("");
    lists_[CommandsTab]->setFocus();
}

void MainWindow::printCurrent(const QString& pdf) {
    if (pdf.isEmpty() && QPrinterInfo::availablePrinters().isEmpty()) {
        prompt_.notify(Prompt::Kind::Warning, kNoPrinter, "Print Current Command");
        return;
    }
    QPrinter printer;
    if (pdf.isEmpty()) {
        QPrintDialog dialog(&printer, this);
        if (dialog.exec() != QDialog::Accepted)
            return;
    } else {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    }
    QTextDocument page;
    page.setPlainText(q(browser().printedItem()));
    page.print(&printer);
}

void MainWindow::showHelp(int topic) {
    showHelpViewer(this, q(presenter_->helpPage(topic).string()));
}

QString MainWindow::helpFile(const std::string& page) const {
    return q(presenter_->home().file("help/" + page).string());
}

void MainWindow::showHelpPage(const std::string& page) {
    showHelpViewer(this, helpFile(page));
}

void MainWindow::showOptions() {
    QDialog dialog(this);
    dialog.setWindowTitle("Options");
    auto* layout = new QVBoxLayout(&dialog);
    auto* numbering = new QCheckBox("Number the  Program, Scope, and Group menus", &dialog);
    numbering->setChecked(presenter_->spoken().numbering());
    connect(numbering, &QCheckBox::toggled, this,
            [this](bool on) { presenter_->setMenuNumbering(on); });
    layout->addWidget(numbering);
    layout->addWidget(new QLabel("Note: If you want to change the font or fontsize\nused by "
                                 "Quillmark, click Help below",
                                 &dialog));
    layout->addWidget(new QLabel("Or choose them with the buttons here:", &dialog));
    // Each button sets its own face and size; the settings file keeps them.
    auto* fonts = new QHBoxLayout();
    const auto pickFont = [this, &dialog](bool fixed) {
        const auto& values = presenter_->settingValues();
        auto face = q(values.font);
        auto fixedFace = q(values.fixedFont);
        int size = values.fontSize;
        int fixedSize = values.fixedFontSize;
        bool chosen = false;
        const auto font = QFontDialog::getFont(
            &chosen, QFont(fixed ? fixedFace : face, fixed ? fixedSize : size), &dialog,
            fixed ? "Font of the body" : "Font of the lists",
            fixed ? QFontDialog::MonospacedFonts : QFontDialog::FontDialogOptions());
        if (!chosen)
            return;
        (fixed ? fixedFace : face) = font.family();
        (fixed ? fixedSize : size) = font.pointSize();
        presenter_->setFonts(face.toStdString(), size, fixedFace.toStdString(), fixedSize);
        applyFonts(face, size, fixedFace, fixedSize);
    };
    auto* listFont = new QPushButton("&List font...", &dialog);
    auto* fixedFont = new QPushButton("&Body font...", &dialog);
    connect(listFont, &QPushButton::clicked, &dialog, [pickFont] { pickFont(false); });
    connect(fixedFont, &QPushButton::clicked, &dialog, [pickFont] { pickFont(true); });
    fonts->addWidget(listFont);
    fonts->addWidget(fixedFont);
    fonts->addStretch();
    layout->addLayout(fonts);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Help, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    const auto optionsHelp = q(presenter_->optionsHelpPage().string());
    connect(buttons, &QDialogButtonBox::helpRequested, &dialog,
            [&dialog, optionsHelp] { showHelpViewer(&dialog, optionsHelp); });
    addHelpKey(&dialog, optionsHelp);
    layout->addWidget(buttons);
    dialog.exec();
}

} // namespace qmk::app
