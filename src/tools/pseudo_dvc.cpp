#include "tools/pseudo_dvc.h"

#include "common/codepage.h"
#include "common/file_io.h"
#include "common/text.h"
#include "format/record.h"
#include "store/statements.h"
#include "store/user_rows.h"

namespace qmk {

namespace {

constexpr char kTab = '\t';
const std::string kCrLfText = "\r\n";
const std::string kDq = "\"";

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Backslashes are doubled unless the text already holds a doubled one.
std::string doubledBackslashes(std::string text) {
    return text.find("\\\\") == std::string::npos ? replaceAll(std::move(text), "\\", "\\\\")
                                                  : text;
}

class Listing {
public:
    void line(const std::string& text) { text_ += text + kCrLfText; }

    void menu(const UserRow& row) { line("MENU " + kDq + row.program + kDq + " {"); }

    void state(const UserRow& row) {
        line(std::string(1, kTab) + "STATE " + kDq + row.scope + kDq + " " +
             (row.global ? "GLOBAL " : "") + (row.noglobals ? "NOGLOBALS " : "") +
             (row.sleeping ? "SLEEPING " : "") + "{");
        first_ = true;
    }

    void item(const UserRow& row) {
        if (!first_)
            line("");
        first_ = false;
        if (row.type == ItemType::List)
            list(row);
        else
            command(row);
    }

    std::string text() && { return std::move(text_); }

private:
    void command(const UserRow& row) {
        const std::string tabs2(2, kTab), tabs3(3, kTab), tabs4(4, kTab);
        line(tabs2 + "COMMAND " + kDq + row.name + kDq + " {");
        const auto body = doubledBackslashes(row.script);
        if (row.singleline) {
            line(tabs3 + typeDisplayName(row.type) + " " + kDq + body + kDq);
        } else {
            line(tabs3 + typeDisplayName(row.type) + " {");
            auto lines = replaceAll(body, kCrLfText, kCrLfText + tabs4);
            if (endsWith(lines, kCrLfText + tabs4))
                lines.resize(lines.size() - 6);
            line(tabs4 + lines);
            line(tabs3 + "}");
        }
        line(tabs2 + "}");
    }

    void list(const UserRow& row) {
        const std::string tabs2(2, kTab), tabs3(3, kTab);
        line(tabs2 + "LIST " + kDq + row.name + kDq + " {");
        auto items = replaceAll(row.script, kCrLfText, kDq + kCrLfText + tabs3 + kDq);
        if (endsWith(items, kCrLfText + tabs3 + kDq))
            items.resize(items.size() - 6);
        items = doubledBackslashes(std::move(items));
        items = replaceAll(items, std::string(1, kTab) + kDq + kDq, std::string(1, kTab) + kDq);
        items = replaceAll(items, kDq + kDq + kCrLfText, kDq + kCrLfText);
        items = replaceAll(items, kDq + "\\" + kDq + kCrLfText, kDq + "\\" + kDq + kDq + kCrLfText);
        line(tabs3 + (items.starts_with(kDq) ? "" : kDq) + items);
        line(tabs2 + "}");
    }

    std::string text_;
    bool first_ = true;
};

} // namespace

std::string pseudoDvcText(Database& store, const Selection& rows) {
    Listing listing;
    std::optional<UserRow> last;
    for (const auto& row : statements::rowsOf(store, rows, statements::RowOrder::Listing)) {
        if (!last) {
            listing.menu(row);
            listing.state(row);
        } else if (row.program != last->program) {
            listing.line(std::string(1, kTab) + "}");
            listing.line("}");
            listing.line("");
            listing.menu(row);
            listing.state(row);
        } else if (row.scope != last->scope) {
            listing.line(std::string(1, kTab) + "}");
            listing.state(row);
        }
        listing.item(row);
        last = row;
    }
    if (last) {
        listing.line(std::string(1, kTab) + "}");
        listing.line("}");
    }
    // The store's texts came from the file's code page, so they go back into it whole.
    auto text = std::move(listing).text();
    auto encoded = codepage::fromUtf8(text);
    return encoded.ok ? std::move(encoded.bytes) : text;
}

} // namespace qmk
