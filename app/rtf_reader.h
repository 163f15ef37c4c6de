#pragma once

#include <string_view>

class QTextDocument;

namespace qmk::app {

// Loads rich text (RTF) into a document: groups, paragraphs and line breaks, tabs, bold,
// italic, underline, font size, the colour table, \'hh and \uN escapes. Font tables, style
// sheets, pictures and other destinations are passed over. Qt has no RTF reader of its own.
void readRtf(std::string_view rtf, QTextDocument& document);

} // namespace qmk::app
