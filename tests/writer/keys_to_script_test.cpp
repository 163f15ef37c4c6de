#include "platform/window_system.h"
#include "writer/keys_to_script.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>

namespace qmk {

namespace {
// The statements between "Sub Main" CR LF CR LF and CR LF "End Sub".
std::string statements(std::string_view keys) {
    const auto script = keysToSendKeysScript(keys);
    EXPECT_TRUE(script) << keys;
    if (!script)
        return "<failed>";
    EXPECT_EQ(script->substr(0, 12), "Sub Main\r\n\r\n");
    EXPECT_EQ(script->substr(script->size() - 9), "\r\nEnd Sub");
    return script->substr(12, script->size() - 21);
}
} // namespace

TEST(SendKeysForm, PlainTextAndSingleKeys) {
    EXPECT_EQ(statements("abc"), "SendKeys \"abc\",true\r\n");
    EXPECT_EQ(statements("{Ctrl+c}"), "SendKeys \"^c\", true\r\n");
    EXPECT_EQ(statements("{Alt+F4}"), "SendKeys \"%{F4}\", true\r\n");
    EXPECT_EQ(statements("{Shift+extend 3}"), "SendKeys \"+{End 3}\", true\r\n");
    EXPECT_EQ(statements("{numkey5}"), "SendKeys \"{Pad5}\", true\r\n");
    EXPECT_EQ(statements("{extdel}"), "SendKeys \"{Del}\", true\r\n");
    EXPECT_EQ(statements("{tab 3}"), "SendKeys \"{tab 3}\", true\r\n");
    EXPECT_EQ(statements("{Ctrl+x 2}"), "SendKeys \"^{x 2}\", true\r\n");
    EXPECT_EQ(statements("{Ctrl+Shift+x}"), "SendKeys \"^+x\", true\r\n");
    EXPECT_EQ(statements("{Ctrl+Shift+exthome}"), "SendKeys \"^+{Home}\", true\r\n");
    EXPECT_EQ(statements("{Ctrl+Alt+Shift+x}"), "SendDragonKeys \"{Ctrl+Alt+Shift+x}\"\r\n");
    EXPECT_EQ(statements("{unknownkey}"), "SendKeys \"{unknownkey}\", true\r\n");
}

TEST(SendKeysForm, KeysSendKeysCannotExpressBecomeSendDragonKeys) {
    EXPECT_EQ(statements("{tab}{capslock}{tab}"),
              "SendKeys \"{tab}\",true\r\nSendDragonKeys \"{capslock}\"\r\n"
              "SendKeys \"{tab}\", true\r\n");
    EXPECT_EQ(statements("{rightalt}"), "SendDragonKeys \"{rightalt}\"\r\n");
}

TEST(SendKeysForm, TextRunsLineBreaksAndQuotes) {
    EXPECT_EQ(statements("Dear{tab}"), "SendKeys \"Dear\",true\r\nSendKeys \"{tab}\", true\r\n");
    EXPECT_EQ(statements("{tab}Dear"), "SendKeys \"{tab}Dear\", true\r\n");
    EXPECT_EQ(statements("Hello\r\n"), "SendKeys \"Hello\" & vbCr,true\r\n");
    EXPECT_EQ(statements("a\r\n\r\n"), "SendKeys \"a\" & vbCr,true\r\nSendKeys vbCr, true\r\n");
    EXPECT_EQ(statements("say \"hi\""), "SendKeys \"say \"\"hi\"\"\",true\r\n");

    const std::string run(300, 'x');
    EXPECT_EQ(statements(run), "SendKeys \"" + std::string(127, 'x') + "\",true\r\nSendKeys \"" +
                                   std::string(127, 'x') + "\",true\r\nSendKeys \"" +
                                   std::string(46, 'x') + "\",true\r\n");
    // A line break at character 127 or later: the chunk is the first 126 characters.
    EXPECT_EQ(statements(std::string(130, 'y') + "\r\n"),
              "SendKeys \"" + std::string(126, 'y') +
                  "\",true\r\nSendKeys \"yyyy\" & vbCr,true\r\n");
    // An open line takes text while it stays below 127 characters: "{tab}" and 121 more at
    // the most.
    EXPECT_EQ(statements("{tab}" + std::string(121, 'z')),
              "SendKeys \"{tab}" + std::string(121, 'z') + "\", true\r\n");
    EXPECT_EQ(statements("{tab}" + std::string(122, 'z')),
              "SendKeys \"{tab}\", true\r\nSendKeys \"" + std::string(122, 'z') + "\",true\r\n");
    EXPECT_EQ(statements("{tab}" + std::string(200, 'z')),
              "SendKeys \"{tab}\", true\r\nSendKeys \"" + std::string(127, 'z') +
                  "\",true\r\nSendKeys \"" + std::string(73, 'z') + "\",true\r\n");
}

TEST(SendKeysForm, CharactersAboveAsciiCountOneEachAtEveryCut) {
    // é and € are one character each in the file, two and three bytes of UTF-8.
    const auto characters = [](const std::string& utf8) {
        return std::count_if(utf8.begin(), utf8.end(),
                             [](char c) { return (static_cast<unsigned char>(c) & 0xc0) != 0x80; });
    };
    for (const std::string c : {"\u00e9", "\u20ac"})
        for (std::size_t n = 120; n <= 260; ++n) {
            std::string keys;
            for (std::size_t i = 0; i < n; ++i)
                keys += i == 100 ? std::string("\r\n") : c;
            const auto script = sendKeysScriptOfText(keys);
            ASSERT_TRUE(script) << n;
            // Each SendKeys text holds at most 127 characters; together they are the key string.
            std::string typed;
            for (auto at = script->find("SendKeys \""); at != std::string::npos;
                 at = script->find("SendKeys \"", at + 1)) {
                const auto text = script->substr(at + 10, script->find('"', at + 10) - at - 10);
                EXPECT_LE(characters(text), 127) << n;
                typed += text + (script->compare(script->find('"', at + 10), 8, "\" & vbCr") == 0
                                     ? "\r\n"
                                     : "");
            }
            EXPECT_EQ(typed, keys) << n;
        }
    EXPECT_EQ(sendKeysScriptOfText("{Ctrl+\u20ac}"),
              "Sub Main\r\n\r\nSendKeys \"^\u20ac\", true\r\n\r\nEnd Sub");
    EXPECT_FALSE(sendKeysScriptOfText("\u263a")) << "no such character in the file";
}

TEST(SendKeysForm, AStrayBraceCannotBeConverted) {
    EXPECT_FALSE(keysToSendKeysScript("{"));
    EXPECT_FALSE(keysToSendKeysScript("abc{"));
    EXPECT_FALSE(keysToSendKeysScript("{abc"));
    EXPECT_TRUE(keysToSendKeysScript("a}b"));
}

namespace {
// What the script's SendKeys statements type, as the simulated SendKeys reads them: each
// statement's string, its doubled quotes undoubled, and vbCr as Enter.
std::string typedBy(const std::string& script) {
    std::string typed;
    std::size_t at = 0;
    while ((at = script.find("SendKeys ", at)) != std::string::npos) {
        const auto end = script.find("\r\n", at);
        const auto line = script.substr(at + 9, end - at - 9);
        at = end;
        std::string literal;
        if (line.starts_with("\"")) {
            const auto close = line.rfind('"');
            for (std::size_t i = 1; i < close; ++i) {
                literal += line[i];
                if (line[i] == '"')
                    ++i;
            }
        }
        const auto strokes = parseSendKeys(literal);
        EXPECT_TRUE(strokes) << literal;
        for (const auto& stroke : strokes.value_or(std::vector<KeyStroke>{})) {
            EXPECT_FALSE(stroke.shift || stroke.control || stroke.alt) << literal;
            typed += stroke.key.size() == 1 ? stroke.key : "{" + stroke.key + "}";
        }
        if (line.find("vbCr") != std::string::npos)
            typed += "\r\n";
    }
    return typed;
}
} // namespace

TEST(SendKeysForm, PlainTextTypesItsOwnCharacters) {
    // Every character SendKeys reads as a key or a modifier, alone, in runs and at the edges of
    // the 127-character statements.
    const std::string cases[] = {"a + b",
                                 "50%",
                                 "Nz(",
                                 "~/x",
                                 "[1] (2)",
                                 "a}b",
                                 "^caret",
                                 "say \"hi\"",
                                 std::string(126, 'x') + "+y",
                                 std::string(125, 'q') + "\"\"z",
                                 std::string(300, '%')};
    for (const auto& keys : cases) {
        const auto script = keysToSendKeysScript(keys);
        ASSERT_TRUE(script) << keys;
        EXPECT_EQ(typedBy(*script), keys) << *script;
    }
    EXPECT_EQ(statements("a + b"), "SendKeys \"a {+} b\",true\r\n");
    EXPECT_EQ(statements("{tab}50%"), "SendKeys \"{tab}50{%}\", true\r\n");
}

TEST(SendDragonKeysForm, TheWholeStringWithQuotesDoubled) {
    EXPECT_EQ(keysToSendDragonKeysScript("say \"hi\"{Enter}"),
              "Sub Main\r\n\r\nSendDragonKeys \"say \"\"hi\"\"{Enter}\"\r\n\r\nEnd Sub");
}

// Every modifier name, in any case, to its SendKeys sign.
TEST(SendKeysForm, EveryModifierGetsItsSign) {
    const std::pair<const char*, const char*> modifiers[] = {
        {"Ctrl", "^"},      {"Shift", "+"},   {"Alt", "%"},  {"LeftCtrl", "^"},
        {"LeftShift", "+"}, {"LeftAlt", "%"}, {"CTRL", "^"}, {"leftalt", "%"},
    };
    for (const auto& [name, sign] : modifiers)
        EXPECT_EQ(statements("{" + std::string(name) + "+q}"),
                  "SendKeys \"" + std::string(sign) + "q\", true\r\n")
            << name;
}

TEST(SendKeysForm, EveryRenamedKeyGetsItsSendKeysName) {
    std::istringstream renamed(
        "extins=Ins exthome=Home extpgup=PgUp extdel=Del extend=End extpgdn=PgDn extup=Up "
        "extleft=Left extdown=Down extright=Right numkeyenter=PadEnter keypadenter=PadEnter "
        "numkey0=Pad0 numkey1=Pad1 numkey2=Pad2 numkey3=Pad3 numkey4=Pad4 numkey5=Pad5 "
        "numkey6=Pad6 numkey7=Pad7 numkey8=Pad8 numkey9=Pad9 numkey.=Pad. numkey*=Pad* "
        "numkey-=Pad- numkey/=Pad/ slash=Pad/ asterisk=Pad* mult=Pad* minus=Pad- plus=Pad+ "
        "center=Clear");
    for (std::string pair; renamed >> pair;) {
        const auto equals = pair.find('=');
        EXPECT_EQ(statements("{" + pair.substr(0, equals) + "}"),
                  "SendKeys \"{" + pair.substr(equals + 1) + "}\", true\r\n")
            << pair;
    }
}

} // namespace qmk
