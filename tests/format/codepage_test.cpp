#include "format/codepage.h"

#include <gtest/gtest.h>

namespace qmk {

TEST(Codepage, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const auto utf8 = codepage::toUtf8(all);
    const auto back = codepage::fromUtf8(utf8);
    ASSERT_TRUE(back.ok) << back.message;
    EXPECT_EQ(back.bytes, all);
}

TEST(Codepage, UndefinedBytesAndHighCharactersMapAsWindowsDoes) {
    EXPECT_EQ(codepage::toUnicode(0x81), U'\u0081');
    EXPECT_EQ(codepage::toUnicode(0x8D), U'\u008D');
    EXPECT_EQ(codepage::toUnicode(0x8F), U'\u008F');
    EXPECT_EQ(codepage::toUnicode(0x90), U'\u0090');
    EXPECT_EQ(codepage::toUnicode(0x9D), U'\u009D');
    EXPECT_EQ(codepage::toUtf8("\x80"), "\u20AC");
    EXPECT_EQ(codepage::toUtf8("caf\xE9"), "caf\u00E9");
    EXPECT_EQ(codepage::fromUtf8("\u2122").bytes, "\x99");
}

TEST(Codepage, ACharacterTheCodePageLacksIsRefusedByName) {
    const auto refused = codepage::fromUtf8("Smile \u263A please");
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.bytes.empty());
    EXPECT_EQ(refused.message, "The character \"\u263A\" (U+263A) cannot be stored in a command "
                               "file (code page Windows-1252)");
    EXPECT_FALSE(codepage::fromUtf8("\xC3").ok);     // cut short
    EXPECT_FALSE(codepage::fromUtf8("\xC0\xAF").ok); // overlong
    EXPECT_FALSE(codepage::fromUtf8("\xF0\x9F\x98\x80").ok);
}

TEST(Codepage, UpperCaseCoversTheCodePagesLetters) {
    EXPECT_EQ(codepage::toUpper("winword"), "WINWORD");
    EXPECT_EQ(codepage::toUpper("\xE9t\xE9 \x9A\x9C\x9E\xFF \xDF\xF7"),
              "\xC9T\xC9 \x8A\x8C\x8E\x9F \xDF\xF7");
}

} // namespace qmk
