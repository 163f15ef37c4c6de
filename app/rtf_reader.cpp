#include "rtf_reader.h"

#include <QColor>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace qmk::app {

void showRichText(const std::vector<RichRun>& runs, QTextDocument& document) {
    document.clear();
    QTextCursor cursor(&document);
    for (const auto& run : runs) {
        if (run.paragraphBreak) {
            cursor.insertBlock();
            continue;
        }
        QTextCharFormat format;
        format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(run.italic);
        format.setFontUnderline(run.underline);
        format.setFontPointSize(run.halfPoints / 2.0);
        if (run.colour)
            format.setForeground(QColor(run.colour->red, run.colour->green, run.colour->blue));
        cursor.insertText(QString::fromStdString(run.text), format);
    }
}

} // namespace qmk::app
