#include "format/rich_text.h"

#include <gtest/gtest.h>

namespace qmk {

namespace {
std::string plain(const std::vector<RichRun>& runs) {
    std::string text;
    for (const auto& run : runs)
        text += run.paragraphBreak ? "\n" : run.text;
    return text;
}
} // namespace

TEST(RichText, ReadsRunsColoursEscapesAndSurvivesWhatIsNotRtf) {
    const auto runs = readRichText("{\\rtf1{\\colortbl;;\\red255\\green0\\blue0;}\\fs40 big "
                                   "{\\b\\cf2 red}\\par\\cf1 \\'80\\uc2\\u8364XY!\\line}");
    EXPECT_EQ(plain(runs), "big red\n\u20ac\u20ac!\u2028");
    ASSERT_GE(runs.size(), 3u);
    EXPECT_EQ(runs[0].halfPoints, 40);
    EXPECT_FALSE(runs[0].colour);
    EXPECT_TRUE(runs[1].bold);
    EXPECT_EQ(runs[1].colour, (RichColour{255, 0, 0}));
    EXPECT_FALSE(runs.back().colour) << "an entry with no levels is the default colour";

    // Unbalanced groups, cut escapes, huge numbers and lone surrogates read without fault.
    EXPECT_EQ(plain(readRichText("}}{\\b x\\'4")), "x");
    EXPECT_EQ(plain(readRichText("\\fs99999999999999999999 a\\u55296?b\\uc999999999")), "a\uFFFDb");
    EXPECT_EQ(plain(readRichText("caf\xe9 \\")), "caf\u00e9 ");

    // A size of 0 or past 3276 half points is the 12-point default; the limit itself is kept.
    const std::pair<const char*, int> sizes[] = {
        {"\\fs0 a", 24}, {"\\fs1 a", 1}, {"\\fs3276 a", 3276}, {"\\fs3277 a", 24}, {"a", 24}};
    for (const auto& [rtf, halfPoints] : sizes)
        EXPECT_EQ(readRichText(rtf).at(0).halfPoints, halfPoints) << rtf;
}

} // namespace qmk
