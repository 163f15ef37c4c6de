#include "format/rich_text.h"

#include "common/codepage.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace qmk {

namespace {

struct GroupState {
    bool bold = false, italic = false, underline = false;
    int halfPoints = 24;
    int colour = 0;
    bool skip = false; // inside a destination that is not shown
    int unicodeSkip = 1;
};

// Control words' values are clamped: RTF gives them 16 bits, and a run of digits can be longer.
constexpr long kLargestValue = 1 << 20;

bool isLetter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}
bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

class RichTextReader {
public:
    explicit RichTextReader(std::string_view rtf) : rtf_(rtf) {}

    std::vector<RichRun> read() {
        states_.push_back({});
        while (at_ < rtf_.size()) {
            const char c = rtf_[at_++];
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
                text(codepage::toUnicode(static_cast<unsigned char>(c)));
            }
        }
        return std::move(runs_);
    }

private:
    GroupState& state() { return states_.back(); }

    void text(char32_t c) {
        const auto& s = state();
        if (s.skip)
            return;
        std::optional<RichColour> colour;
        if (s.colour > 0 && static_cast<std::size_t>(s.colour) < colours_.size())
            colour = colours_[static_cast<std::size_t>(s.colour)];
        const bool sameFormat =
            !runs_.empty() && !runs_.back().paragraphBreak && runs_.back().bold == s.bold &&
            runs_.back().italic == s.italic && runs_.back().underline == s.underline &&
            runs_.back().halfPoints == s.halfPoints && runs_.back().colour == colour;
        if (!sameFormat)
            runs_.push_back({{}, false, s.bold, s.italic, s.underline, s.halfPoints, colour});
        // A lone surrogate is no character.
        codepage::appendUtf8(runs_.back().text, c >= 0xD800 && c <= 0xDFFF ? 0xFFFD : c);
    }

    void colourText(char c) {
        if (c == ';') {
            colours_.push_back(pending_); // an entry with no levels is the default colour
            pending_.reset();
        }
    }

    void control() {
        if (at_ >= rtf_.size())
            return;
        const char c = rtf_[at_];
        if (!isLetter(c)) {
            ++at_;
            symbol(c);
            return;
        }
        std::string word;
        while (at_ < rtf_.size() && isLetter(rtf_[at_]) && word.size() < 32)
            word += rtf_[at_++];
        bool negative = false, hasValue = false;
        long value = 0;
        if (at_ < rtf_.size() && rtf_[at_] == '-') {
            negative = true;
            ++at_;
        }
        while (at_ < rtf_.size() && isDigit(rtf_[at_])) {
            hasValue = true;
            value = std::min(kLargestValue, value * 10 + (rtf_[at_++] - '0'));
        }
        if (at_ < rtf_.size() && rtf_[at_] == ' ')
            ++at_; // the delimiter belongs to the word
        apply(word, hasValue ? static_cast<int>(negative ? -value : value) : 1, hasValue);
    }

    void symbol(char c) {
        if (c == '\\' || c == '{' || c == '}') {
            text(static_cast<unsigned char>(c));
        } else if (c == '\'') {
            const auto hex = rtf_.substr(at_, 2);
            at_ += hex.size();
            if (hex.size() == 2 && std::isxdigit(static_cast<unsigned char>(hex[0])) &&
                std::isxdigit(static_cast<unsigned char>(hex[1])))
                text(codepage::toUnicode(
                    static_cast<unsigned char>(std::stoi(std::string(hex), nullptr, 16))));
        } else if (c == '~') {
            text(0x00A0);
        } else if (c == '*') {
            state().skip = true; // an optional destination this reader does not know
        }
    }

    void apply(const std::string& word, int value, bool hasValue) {
        auto& s = state();
        static constexpr std::array<std::string_view, 14> kSkipped{
            "fonttbl",   "stylesheet",  "info",
            "pict",      "header",      "footer",
            "object",    "listtable",   "listoverridetable",
            "generator", "themedata",   "filetbl",
            "rsidtbl",   "latentstyles"};
        if (std::find(kSkipped.begin(), kSkipped.end(), word) != kSkipped.end()) {
            s.skip = true;
        } else if (word == "colortbl") {
            inColourTable_ = true;
            colourDepth_ = states_.size();
            s.skip = true;
        } else if (inColourTable_ && (word == "red" || word == "green" || word == "blue")) {
            auto& colour = pending_.emplace(pending_.value_or(RichColour{}));
            const auto level = static_cast<std::uint8_t>(std::clamp(value, 0, 255));
            (word == "red" ? colour.red : word == "green" ? colour.green : colour.blue) = level;
        } else if (word == "par") {
            if (!s.skip) {
                RichRun paragraph;
                paragraph.paragraphBreak = true;
                runs_.push_back(paragraph);
            }
        } else if (word == "line") {
            text(0x2028);
        } else if (word == "tab") {
            text('\t');
        } else if (word == "b") {
            s.bold = !hasValue || value != 0;
        } else if (word == "i") {
            s.italic = !hasValue || value != 0;
        } else if (word == "ul") {
            s.underline = !hasValue || value != 0;
        } else if (word == "ulnone") {
            s.underline = false;
        } else if (word == "fs") {
            s.halfPoints = value > 0 && value <= 3276 ? value : 24;
        } else if (word == "cf") {
            s.colour = value;
        } else if (word == "plain") {
            s.bold = s.italic = s.underline = false;
            s.halfPoints = 24;
            s.colour = 0;
        } else if (word == "uc") {
            s.unicodeSkip = std::max(0, value);
        } else if (word == "u") {
            text(static_cast<char16_t>(value < 0 ? value + 65536 : value));
            skipFallback(s.unicodeSkip);
        }
    }

    // The characters that stand for a \uN in readers without Unicode.
    void skipFallback(int count) {
        for (int i = 0; i < count && at_ < rtf_.size(); ++i) {
            if (rtf_[at_] == '\\' && at_ + 1 < rtf_.size() && rtf_[at_ + 1] == '\'')
                at_ = std::min(rtf_.size(), at_ + 4);
            else
                ++at_;
        }
    }

    std::string_view rtf_;
    std::size_t at_ = 0;
    std::vector<GroupState> states_;
    std::vector<std::optional<RichColour>> colours_;
    std::optional<RichColour> pending_;
    bool inColourTable_ = false;
    std::size_t colourDepth_ = 0;
    std::vector<RichRun> runs_;
};

} // namespace

std::vector<RichRun> readRichText(std::string_view rtf) {
    return RichTextReader(rtf).read();
}

std::string minimalRichText(std::string_view text) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs20 ";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            rtf += "\\par\r\n";
            ++i;
        } else if (c == '\\' || c == '{' || c == '}') {
            rtf += '\\';
            rtf += static_cast<char>(c);
        } else if (c == '\t') {
            rtf += "\\tab ";
        } else if (c >= 0x80 || c < 0x20) {
            rtf += "\\'";
            rtf += kDigits[c >> 4];
            rtf += kDigits[c & 15];
        } else {
            rtf += static_cast<char>(c);
        }
    }
    rtf += "}";
    return rtf;
}

} // namespace qmk
