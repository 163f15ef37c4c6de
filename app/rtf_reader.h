#pragma once

#include <string_view>

class QTextDocument;

namespace qmk::app {

// Loads the rich text of a Text and Graphics command into a document, run by run. Qt has no RTF
// reader of its own.
void readRtf(std::string_view rtf, QTextDocument& document);

} // namespace qmk::app
