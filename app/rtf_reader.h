#pragma once

#include "mainwindow/item_display.h"

#include <vector>

class QTextDocument;

namespace qmk::app {

// Loads the rich text of a Text and Graphics command into a document, run by run (Qt has no RTF
// reader of its own: the presenter reads it).
void showRichText(const std::vector<RichRun>& runs, QTextDocument& document);

} // namespace qmk::app
