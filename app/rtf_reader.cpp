#include "rtf_reader.h"

#include "format/codepage.h"

#include <QColor>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <cctype>
#include <string>
#include <vector>

namespace qmk::app {

namespace {

struct GroupState {
    bool bold = false, italic = false, underline = false;
    int halfPoints = 24;
    int colour = 0;
    bool skip = false; // inside a destination that is not shown
    int unicodeSkip = 1;
};

class RtfReader {
public:
    RtfReader(std::string_view rtf, QTextDocument& document)
        : rtf_(QString::fromUtf8(rtf.data(), static_cast<qsizetype>(rtf.size()))),
          cursor_(&document) {
        document.clear(); // the colour table's first entry, before its first ";", is the default
    }

    void read() {
        states_.push_back({});
        while (at_ < rtf_.size()) {
            const QChar c = rtf_[at_++];
            if (c == '{') {
                states_.push_back(states_.back());
            } else if (c == '}') {
                if (states_.size() > 1)
                    states_.pop_back();
                if (inColourTable_ && states_.size() < colourDepth_)
                    inColourTable_ = false;
            } else if (c == '\\') {
                control();
            } else if (c == '\r' || c == '\n') {
                // Line ends in the source are not text.
            } else if (inColourTable_) {
                colourText(c);
            } else {
                text(QString(c));
            }
        }
    }

private:
    GroupState& state() { return states_.back(); }

    void text(const QString& s) {
        if (state().skip || s.isEmpty())
            return;
        QTextCharFormat format;
        format.setFontWeight(state().bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(state().italic);
        format.setFontUnderline(state().underline);
        format.setFontPointSize(state().halfPoints / 2.0);
        const auto colour = static_cast<std::size_t>(state().colour);
        if (colour > 0 && colour < colours_.size() && colours_[colour].isValid())
            format.setForeground(colours_[colour]);
        cursor_.insertText(s, format);
    }

    void colourText(QChar c) {
        if (c == ';') {
            colours_.push_back(pending_.isValid() ? pending_ : QColor());
            pending_ = QColor();
        }
    }

    void control() {
        if (at_ >= rtf_.size())
            return;
        const QChar c = rtf_[at_];
        if (!c.isLetter()) {
            ++at_;
            symbol(c);
            return;
        }
        QString word;
        while (at_ < rtf_.size() && rtf_[at_].isLetter())
            word += rtf_[at_++];
        QString digits;
        if (at_ < rtf_.size() && (rtf_[at_] == '-' || rtf_[at_].isDigit()))
            digits += rtf_[at_++];
        while (at_ < rtf_.size() && rtf_[at_].isDigit())
            digits += rtf_[at_++];
        if (at_ < rtf_.size() && rtf_[at_] == ' ')
            ++at_; // the delimiter belongs to the word
        const bool hasValue = !digits.isEmpty() && digits != "-";
        apply(word, hasValue ? digits.toInt() : 1, hasValue);
    }

    void symbol(QChar c) {
        if (c == '\\' || c == '{' || c == '}') {
            text(QString(c));
        } else if (c == '\'') {
            const auto hex = rtf_.mid(at_, 2);
            at_ += 2;
            bool ok = false;
            const auto byte = hex.toUInt(&ok, 16);
            if (ok)
                text(QString(QChar(
                    static_cast<char16_t>(codepage::toUnicode(static_cast<unsigned char>(byte))))));
        } else if (c == '~') {
            text(QString(QChar(0x00A0)));
        } else if (c == '*') {
            state().skip = true; // an optional destination this reader does not know
        }
    }

    void apply(const QString& word, int value, bool hasValue) {
        auto& s = state();
        static const QStringList skipped{"fonttbl",   "stylesheet",  "info",
                                         "pict",      "header",      "footer",
                                         "object",    "listtable",   "listoverridetable",
                                         "generator", "themedata",   "filetbl",
                                         "rsidtbl",   "latentstyles"};
        if (skipped.contains(word)) {
            s.skip = true;
        } else if (word == "colortbl") {
            inColourTable_ = true;
            colourDepth_ = states_.size();
            s.skip = true;
        } else if (inColourTable_ && (word == "red" || word == "green" || word == "blue")) {
            if (!pending_.isValid())
                pending_ = QColor(0, 0, 0);
            if (word == "red")
                pending_.setRed(value);
            else if (word == "green")
                pending_.setGreen(value);
            else
                pending_.setBlue(value);
        } else if (word == "par") {
            if (!s.skip)
                cursor_.insertBlock();
        } else if (word == "line") {
            text(QString(QChar::LineSeparator));
        } else if (word == "tab") {
            text("\t");
        } else if (word == "b") {
            s.bold = !hasValue || value != 0;
        } else if (word == "i") {
            s.italic = !hasValue || value != 0;
        } else if (word == "ul") {
            s.underline = !hasValue || value != 0;
        } else if (word == "ulnone") {
            s.underline = false;
        } else if (word == "fs") {
            s.halfPoints = value > 0 ? value : 24;
        } else if (word == "cf") {
            s.colour = value;
        } else if (word == "plain") {
            s.bold = s.italic = s.underline = false;
            s.halfPoints = 24;
            s.colour = 0;
        } else if (word == "uc") {
            s.unicodeSkip = value;
        } else if (word == "u") {
            text(QString(QChar(static_cast<char16_t>(value < 0 ? value + 65536 : value))));
            skipFallback(s.unicodeSkip);
        }
    }

    // The characters that stand for a \uN in readers without Unicode.
    void skipFallback(int count) {
        for (int i = 0; i < count && at_ < rtf_.size(); ++i) {
            if (rtf_[at_] == '\\' && at_ + 1 < rtf_.size() && rtf_[at_ + 1] == '\'')
                at_ += 4;
            else
                ++at_;
        }
    }

    QString rtf_;
    qsizetype at_ = 0;
    QTextCursor cursor_;
    std::vector<GroupState> states_;
    std::vector<QColor> colours_;
    QColor pending_;
    bool inColourTable_ = false;
    std::size_t colourDepth_ = 0;
};

} // namespace

void readRtf(std::string_view rtf, QTextDocument& document) {
    RtfReader(rtf, document).read();
}

} // namespace qmk::app
