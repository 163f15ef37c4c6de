#include "writer/keys_to_script.h"

#include "common/codepage.h"
#include "common/regex.h"
#include "common/text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <span>
#include <utility>

namespace qmk {

namespace {

constexpr char kQuote = '"';

constexpr std::string_view kKeys[] = {
    "F1",        "F2",      "F3",       "F4",      "F5",         "F6",          "F7",
    "F8",        "F9",      "F10",      "F11",     "F12",        "F13",         "F14",
    "F15",       "F16",     "prtsc",    "pause",   "scrolllock", "break",       "tab",
    "backspace", "enter",   "home",     "up",      "pgup",       "left",        "right",
    "end",       "down",    "pgdn",     "ins",     "del",        "numkeyenter", "keypadenter",
    "numkey0",   "numkey1", "numkey2",  "numkey3", "numkey4",    "numkey5",     "numkey6",
    "numkey7",   "numkey8", "numkey9",  "numkey.", "numkey*",    "numkey-",     "numkey+",
    "numkey/",   "slash",   "asterisk", "mult",    "minus",      "plus",        "space",
    "center",    "extins",  "exthome",  "extpgup", "extdel",     "extend",      "extpgdn",
    "extup",     "extleft", "extdown",  "extright"};

constexpr std::string_view kNavigation[] = {
    "pgup",   "pgdn",   "end",     "home",  "left",    "right",   "up",      "down",
    "tab",    "F1",     "F2",      "F3",    "F4",      "F5",      "F6",      "F7",
    "F8",     "F9",     "F10",     "F11",   "F12",     "extins",  "exthome", "extpgup",
    "extdel", "extend", "extpgdn", "extup", "extleft", "extdown", "extright"};

constexpr std::string_view kModifiers = "(ctrl|alt|shift|leftctrl|leftalt|leftshift)";

// Applied in order; each row replaces the first occurrence of its name, ignoring case.
constexpr std::array<std::pair<std::string_view, std::string_view>, 39> kNameTable{{
    {"leftctrl", "^"},
    {"leftshift", "+"},
    {"leftalt", "%"},
    {"ctrl", "^"},
    {"shift", "+"},
    {"alt", "%"},
    {"extins", "Ins"},
    {"exthome", "Home"},
    {"extpgup", "PgUp"},
    {"extdel", "Del"},
    {"extend", "End"},
    {"extpgdn", "PgDn"},
    {"extup", "Up"},
    {"extleft", "Left"},
    {"extdown", "Down"},
    {"extright", "Right"},
    {"numkeyenter", "PadEnter"},
    {"keypadenter", "PadEnter"},
    {"numkey0", "Pad0"},
    {"numkey1", "Pad1"},
    {"numkey2", "Pad2"},
    {"numkey3", "Pad3"},
    {"numkey4", "Pad4"},
    {"numkey5", "Pad5"},
    {"numkey6", "Pad6"},
    {"numkey7", "Pad7"},
    {"numkey8", "Pad8"},
    {"numkey9", "Pad9"},
    {"numkey.", "Pad."},
    {"numkey*", "Pad*"},
    {"numkey+", "Pad+"},
    {"numkey-", "Pad-"},
    {"numkey/", "Pad/"},
    {"slash", "Pad/"},
    {"asterisk", "Pad*"},
    {"mult", "Pad*"},
    {"minus", "Pad-"},
    {"plus", "Pad+"},
    {"center", "Clear"},
}};

std::string alternatives(std::span<const std::string_view> names) {
    std::string group = "(";
    for (const auto name : names) {
        if (group.size() > 1)
            group += '|';
        group += regexEscape(name);
    }
    return group + ")";
}

// The patterns of one conversion style, compiled once for the process.
struct Patterns {
    std::string keys = alternatives(kKeys);
    std::string nav = alternatives(kNavigation);
    std::string mods{kModifiers};
    static constexpr int kOptions = Regex::kCaseless | Regex::kBytes;
    Regex notSendKeys{"(numlock|capslock|sysreq|break|rightalt|rightctrl|rightshift)", kOptions};
    Regex singleKey{R"(\{)" + keys + R"(\})", kOptions};
    Regex keyWithCount{R"(\{)" + keys + R"( +\d{1,}\})", kOptions};
    Regex modifierKey{R"(\{)" + mods + R"( ?\+ ?)" + keys + R"(( +\d{1,})?\})", kOptions};
    Regex modifierChar{R"(\{)" + mods + R"( ?\+(.)\})", kOptions};
    Regex modifierCharCount{R"(\{)" + mods + R"( ?\+(.)( +\d{1,})?\})", kOptions};
    Regex twoModifiersNav{R"(\{)" + mods + R"( ?\+ ?)" + mods + R"( ?\+ ?)" + nav + R"(\})",
                          kOptions};
    Regex twoModifiersChar{R"(\{)" + mods + R"( ?\+ ?)" + mods + R"( ?\+ ?(.)\})", kOptions};
};

const Patterns& patterns() {
    static const Patterns compiled;
    return compiled;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x != y && !(x < 128 && y < 128 && std::tolower(x) == std::tolower(y)))
            return false;
    }
    return true;
}

std::string applyNameTable(std::string token) {
    for (const auto& [name, becomes] : kNameTable) {
        for (std::size_t i = 0; i + name.size() <= token.size(); ++i) {
            if (equalsIgnoringCase(std::string_view(token).substr(i, name.size()), name)) {
                token.replace(i, name.size(), becomes);
                break;
            }
        }
    }
    return token;
}

std::string doubledQuotes(std::string_view text) {
    std::string doubled;
    for (const char c : text) {
        doubled += c;
        if (c == kQuote)
            doubled += kQuote;
    }
    return doubled;
}

// Plain text as SendKeys types it: the characters SendKeys reads as keys or modifiers go in
// braces ("a + b" is typed, not Shift with a blank).
std::string sendKeysLiteral(std::string_view text) {
    std::string literal;
    for (const char c : text) {
        if (std::string_view("+^%~()[]{}").find(c) != std::string_view::npos)
            literal += std::string("{") + c + "}";
        else
            literal += c;
    }
    return literal;
}

class ScriptBuilder {
public:
    ScriptBuilder() : script_("Sub Main\r\n\r\n") {}

    void braced(const std::string& t) {
        const auto& p = patterns();
        const auto pluses = std::count(t.begin(), t.end(), '+');
        if (pluses < 2) {
            if (p.notSendKeys.matches(t))
                return dragonKeys(t);
            if (p.singleKey.matches(t) || p.keyWithCount.matches(t))
                return appendToLine(applyNameTable(t));
            if (p.modifierKey.matches(t))
                return appendToLine(applyNameTable(p.modifierKey.replaceFirst(t, "$1{$2$3}")));
            if (p.modifierChar.matches(t))
                return appendToLine(applyNameTable(p.modifierChar.replaceFirst(t, "$1$2")));
            if (p.modifierCharCount.matches(t))
                return appendToLine(
                    applyNameTable(p.modifierCharCount.replaceFirst(t, "$1{$2$3}")));
            return appendToLine(t);
        }
        if (p.twoModifiersNav.matches(t))
            return appendToLine(applyNameTable(p.twoModifiersNav.replaceFirst(t, "$1$2{$3}")));
        if (p.twoModifiersChar.matches(t))
            return appendToLine(applyNameTable(p.twoModifiersChar.replaceFirst(t, "$1$2$3")));
        dragonKeys(t);
    }

    void text(std::string_view token) {
        std::string s = doubledQuotes(sendKeysLiteral(token));
        while (!s.empty()) {
            const std::string chunk = nextChunk(s);
            s.erase(0, chunk.size());
            const auto crlf = chunk.find(kCrLf);
            if (crlf != std::string::npos) {
                closeLine();
                if (chunk == kCrLf)
                    script_ += "SendKeys vbCr, true\r\n";
                else
                    script_ += "SendKeys " + quoted(chunk.substr(0, crlf)) + " & vbCr,true\r\n";
            } else if (open_ && openLength_ + chunk.size() < 127) {
                script_ += chunk;
                openLength_ += chunk.size();
            } else {
                if (open_) {
                    script_ += "\", true\r\n";
                    open_ = false;
                }
                script_ += "SendKeys " + quoted(chunk) + ",true\r\n";
            }
        }
    }

    std::string finish() {
        if (open_)
            script_ += "\", true\r\n";
        return script_ + "\r\nEnd Sub";
    }

private:
    static std::string quoted(std::string_view text) { return kQuote + std::string(text) + kQuote; }

    static std::string nextChunk(const std::string& s) {
        const auto crlf = s.find(kCrLf);
        if (crlf != std::string::npos && crlf >= 126)
            return s.substr(0, unsplit(s, 126));
        std::string chunk = s.size() < 128 ? s : s.substr(0, unsplit(s, 127));
        if (const auto cut = chunk.find(kCrLf); cut != std::string::npos)
            chunk.resize(cut + 2);
        return chunk;
    }

    // A cut of `s` at `length` moved back so that it splits neither a braced character ("{+}")
    // nor a doubled quote.
    static std::size_t unsplit(const std::string& s, std::size_t length) {
        std::size_t cut = 0;
        while (cut < s.size()) {
            const std::size_t unit = s[cut] == '{' ? 3 : s.compare(cut, 2, "\"\"") == 0 ? 2 : 1;
            if (cut + unit > length)
                break;
            cut += unit;
        }
        return cut;
    }

    void appendToLine(const std::string& converted) {
        if (open_) {
            script_ += converted;
            openLength_ += converted.size();
        } else {
            script_ += "SendKeys " + std::string(1, kQuote) + converted;
            open_ = true;
            openLength_ = converted.size();
        }
    }

    void closeLine() {
        if (open_) {
            script_ += "\",true\r\n";
            open_ = false;
        }
    }

    void dragonKeys(const std::string& t) {
        closeLine();
        script_ += "SendDragonKeys " + quoted(t) + "\r\n";
    }

    std::string script_;
    bool open_ = false;
    std::size_t openLength_ = 0;
};

} // namespace

std::optional<std::string> keysToSendKeysScript(std::string_view keys) {
    // Tokens: a run of text up to the next "{", or a brace group up to the first "}". A "{"
    // that no "}" follows cannot be converted.
    ScriptBuilder builder;
    std::size_t at = 0;
    while (at < keys.size()) {
        if (keys[at] != '{') {
            const auto brace = std::min(keys.find('{', at), keys.size());
            builder.text(keys.substr(at, brace - at));
            at = brace;
            continue;
        }
        const auto close = keys.find('}', at);
        if (close == std::string_view::npos)
            return std::nullopt;
        builder.braced(std::string(keys.substr(at, close + 1 - at)));
        at = close + 1;
    }
    return builder.finish();
}

std::string keysToSendDragonKeysScript(std::string_view keys) {
    return "Sub Main\r\n\r\nSendDragonKeys \"" + doubledQuotes(keys) + "\"\r\n\r\nEnd Sub";
}

std::optional<std::string> sendKeysScriptOfText(std::string_view keys) {
    const auto bytes = codepage::fromUtf8(keys);
    if (!bytes.ok)
        return std::nullopt;
    const auto script = keysToSendKeysScript(bytes.bytes);
    return script ? std::optional<std::string>(codepage::toUtf8(*script)) : std::nullopt;
}

std::optional<std::string> sendDragonKeysScriptOfText(std::string_view keys) {
    const auto bytes = codepage::fromUtf8(keys);
    if (!bytes.ok)
        return std::nullopt;
    return codepage::toUtf8(keysToSendDragonKeysScript(bytes.bytes));
}

} // namespace qmk
