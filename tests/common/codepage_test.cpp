#include "common/codepage.h"

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

TEST(Codepage, CaseFoldingTakesEveryLetterOfBothHalves) {
    for (char c = 'a'; c <= 'z'; ++c)
        EXPECT_EQ(codepage::toUpper(c), c - 'a' + 'A') << c;
    for (int b = 0; b < 256; ++b) {
        const auto c = static_cast<char>(b);
        const bool lowerAscii = b >= 'a' && b <= 'z';
        const bool lowerHigh = (b >= 0xE0 && b <= 0xFE && b != 0xF7) || b == 0x9A || b == 0x9C ||
                               b == 0x9E || b == 0xFF;
        if (!lowerAscii && !lowerHigh) {
            EXPECT_EQ(codepage::toUpper(c), c) << "byte " << b << " has no upper case";
        }
    }
    // The upper half, byte by byte: à..þ to À..Þ (÷ stays), š œ ž ÿ to Š Œ Ž Ÿ.
    const std::pair<int, int> high[] = {
        {0xE0, 0xC0}, {0xE1, 0xC1}, {0xE2, 0xC2}, {0xE3, 0xC3}, {0xE4, 0xC4}, {0xE5, 0xC5},
        {0xE6, 0xC6}, {0xE7, 0xC7}, {0xE8, 0xC8}, {0xE9, 0xC9}, {0xEA, 0xCA}, {0xEB, 0xCB},
        {0xEC, 0xCC}, {0xED, 0xCD}, {0xEE, 0xCE}, {0xEF, 0xCF}, {0xF0, 0xD0}, {0xF1, 0xD1},
        {0xF2, 0xD2}, {0xF3, 0xD3}, {0xF4, 0xD4}, {0xF5, 0xD5}, {0xF6, 0xD6}, {0xF8, 0xD8},
        {0xF9, 0xD9}, {0xFA, 0xDA}, {0xFB, 0xDB}, {0xFC, 0xDC}, {0xFD, 0xDD}, {0xFE, 0xDE},
        {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9E, 0x8E}, {0xFF, 0x9F}};
    for (const auto& [lower, upper] : high)
        EXPECT_EQ(static_cast<unsigned char>(codepage::toUpper(static_cast<char>(lower))), upper)
            << "byte " << lower;
}

TEST(Codepage, UpperCaseCoversTheCodePagesLetters) {
    EXPECT_EQ(codepage::toUpper("winword"), "WINWORD");
    EXPECT_EQ(codepage::toUpper("\xE9t\xE9 \x9A\x9C\x9E\xFF \xDF\xF7"),
              "\xC9T\xC9 \x8A\x8C\x8E\x9F \xDF\xF7");
}

TEST(Codepage, EveryByteReadsAsWindows1252) {
    // Windows-1252's own table for 0x80..0x9F; the five bytes it leaves undefined keep their
    // C1 control code points so that every byte survives.
    constexpr char32_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    for (unsigned byte = 0; byte < 256; ++byte) {
        const char32_t expected = byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
        EXPECT_EQ(codepage::toUnicode(static_cast<unsigned char>(byte)), expected) << byte;
        std::string utf8;
        codepage::appendUtf8(utf8, expected);
        const auto encoded = codepage::fromUtf8(utf8);
        ASSERT_TRUE(encoded.ok) << byte;
        EXPECT_EQ(encoded.bytes, std::string(1, static_cast<char>(byte))) << byte;
    }
}

} // namespace qmk
