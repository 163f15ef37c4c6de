#include "writer/keys_to_script.h"

#include <gtest/gtest.h>

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
    // An open line takes text while it stays below 127 characters.
    EXPECT_EQ(statements("{tab}" + std::string(200, 'z')),
              "SendKeys \"{tab}\", true\r\nSendKeys \"" + std::string(127, 'z') +
                  "\",true\r\nSendKeys \"" + std::string(73, 'z') + "\",true\r\n");
}

TEST(SendKeysForm, AStrayBraceCannotBeConverted) {
    EXPECT_FALSE(keysToSendKeysScript("{"));
    EXPECT_FALSE(keysToSendKeysScript("abc{"));
    EXPECT_FALSE(keysToSendKeysScript("{abc"));
    EXPECT_TRUE(keysToSendKeysScript("a}b"));
}

TEST(SendDragonKeysForm, TheWholeStringWithQuotesDoubled) {
    EXPECT_EQ(keysToSendDragonKeysScript("say \"hi\"{Enter}"),
              "Sub Main\r\n\r\nSendDragonKeys \"say \"\"hi\"\"{Enter}\"\r\n\r\nEnd Sub");
}

} // namespace qmk
