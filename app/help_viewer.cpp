#include "help_viewer.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace qmk::app {

namespace {

// Finds `text` in the page after the cursor, then from the top; says when it is nowhere.
void findInPage(QTextBrowser* browser, QLabel* said, const QString& text) {
    said->clear();
    if (text.isEmpty())
        return;
    if (browser->find(text))
        return;
    browser->moveCursor(QTextCursor::Start);
    if (!browser->find(text))
        said->setText(QString("\"%1\" is not on this page").arg(text));
}

// Back, Forward and a search of the page, above the page.
QHBoxLayout* buildNavigation(QDialog* viewer, QTextBrowser* browser) {
    auto* row = new QHBoxLayout();
    auto* back = new QPushButton("&Back", viewer);
    auto* forward = new QPushButton("&Forward", viewer);
    back->setObjectName("helpback");
    forward->setObjectName("helpforward");
    // Return in the search field searches: neither button is the dialog's default.
    for (auto* button : {back, forward}) {
        button->setAutoDefault(false);
        button->setEnabled(false);
    }
    QObject::connect(back, &QPushButton::clicked, browser, &QTextBrowser::backward);
    QObject::connect(forward, &QPushButton::clicked, browser, &QTextBrowser::forward);
    QObject::connect(browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    QObject::connect(browser, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    auto* search = new QLineEdit(viewer);
    search->setObjectName("helpsearch");
    search->setAccessibleName("Search this page");
    search->setPlaceholderText("word or phrase, then Return");
    auto* label = new QLabel("&Search:", viewer);
    label->setBuddy(search);
    auto* said = new QLabel(viewer);
    said->setObjectName("helpsaid");
    QObject::connect(search, &QLineEdit::returnPressed, viewer,
                     [browser, said, search] { findInPage(browser, said, search->text()); });
    QObject::connect(browser, &QTextBrowser::sourceChanged, said, &QLabel::clear);
    for (QWidget* widget :
         {static_cast<QWidget*>(back), static_cast<QWidget*>(forward), static_cast<QWidget*>(label),
          static_cast<QWidget*>(search), static_cast<QWidget*>(said)})
        row->addWidget(widget);
    row->addStretch();
    return row;
}

} // namespace

void showHelpViewer(QWidget* owner, const QString& file) {
    auto* viewer = owner->findChild<QDialog*>("helpviewer", Qt::FindDirectChildrenOnly);
    if (!viewer) {
        viewer = new QDialog(owner);
        viewer->setObjectName("helpviewer");
        viewer->setWindowTitle("Quillmark10 Help");
        auto* layout = new QVBoxLayout(viewer);
        auto* browser = new QTextBrowser(viewer);
        browser->setObjectName("helpbrowser");
        browser->setOpenLinks(true);
        layout->addLayout(buildNavigation(viewer, browser));
        layout->addWidget(browser);
        viewer->resize(640, 480);
    }
    viewer->findChild<QTextBrowser*>("helpbrowser")->setSource(QUrl::fromLocalFile(file));
    viewer->show();
    viewer->raise();
}

void addHelpKey(QWidget* window, const QString& file) {
    auto* key = new QShortcut(QKeySequence::HelpContents, window);
    QObject::connect(key, &QShortcut::activated, window,
                     [window, file] { showHelpViewer(window, file); });
}

} // namespace qmk::app
