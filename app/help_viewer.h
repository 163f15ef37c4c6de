#pragma once

#include <QString>

class QWidget;

namespace qmk::app {

// Shows the help page `file` in a help window over `owner`: the main window, or the dialog in
// front, whose modality would block a help window of the main window.
void showHelpViewer(QWidget* owner, const QString& file);

// F1 in `window` shows the help page `file`.
void addHelpKey(QWidget* window, const QString& file);

} // namespace qmk::app
