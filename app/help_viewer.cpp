#include "help_viewer.h"

#include <QDialog>
#include <QKeySequence>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace qmk::app {

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
