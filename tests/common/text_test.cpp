#include "common/outcome.h"
#include "common/text.h"

#include <gtest/gtest.h>

namespace qmk {

TEST(Text, GlobalCommandsNameIsExactInBothLanguages) {
    EXPECT_TRUE(isGlobalCommandsName("Global Commands"));
    EXPECT_TRUE(isGlobalCommandsName("Globale opdrachten"));
    EXPECT_FALSE(isGlobalCommandsName("global commands"));
    EXPECT_FALSE(isGlobalCommandsName("Global Commands "));
}

TEST(Text, TrimTrailingWhiteSpaceRunsInItsOrder) {
    std::string text = "abc \t\r\n";
    EXPECT_EQ(trimTrailingWhiteSpace(text), "abc \t"); // blanks and tabs go before the CR LF
    text = "abc\t  \r\n\r\n";
    EXPECT_EQ(trimTrailingWhiteSpace(text), "abc\t  ");
    text = "abc \t ";
    EXPECT_EQ(trimTrailingWhiteSpace(text), "abc");
    text = "abc\r";
    EXPECT_EQ(trimTrailingWhiteSpace(text), "abc\r");
}

TEST(Text, NamesInSentenceJoinAndCountWhatPassesTheMost) {
    const std::vector<std::string> four{"a", "b", "c", "d"};
    const std::tuple<std::size_t, std::size_t, const char*> cases[] = {
        {0, 3, ""},
        {1, 3, "a"},
        {2, 3, "a and b"},
        {3, 3, "a, b and c"},
        {4, 3, "a, b, c and 1 more"},
        {4, 4, "a, b, c and d"},
    };
    for (const auto& [count, most, text] : cases)
        EXPECT_EQ(namesInSentence({four.begin(), four.begin() + static_cast<long>(count)}, most),
                  text)
            << count << " of " << most;
}

TEST(Text, FitToWidthPadsOrCuts) {
    EXPECT_EQ(fitToWidth("ab", 4), "ab  ");
    EXPECT_EQ(fitToWidth("abcdef", 4), "abcd");
    EXPECT_EQ(trimBlanks("  a b  "), "a b");
    EXPECT_EQ(trimBlanks("   "), "");
}

TEST(OutcomeKind, ARefusalWarnsAndAFailureIsAnError) {
    EXPECT_EQ(Outcome::success("Done", "t").kind(), Prompt::Kind::Information);
    EXPECT_EQ(Outcome::cancelled().kind(), Prompt::Kind::Information);
    EXPECT_EQ(Outcome::refused("No").kind(), Prompt::Kind::Warning);
    EXPECT_EQ(Outcome::failed("Broke", "t").kind(), Prompt::Kind::Error);
    Outcome stale;
    stale.code = Outcome::Code::Stale;
    EXPECT_EQ(stale.kind(), Prompt::Kind::Error);
}

} // namespace qmk
