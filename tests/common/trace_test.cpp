#include "common/trace.h"
#include "test_home.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace qmk {

namespace {
constexpr std::int64_t kDay = 86'400'000'000'000;

void setModified(const std::filesystem::path& file, const FileTime& time) {
    const auto now = std::filesystem::file_time_type::clock::now();
    const auto delta = std::chrono::nanoseconds(qmk::now().nanoseconds - time.nanoseconds);
    std::filesystem::last_write_time(
        file, now - std::chrono::duration_cast<std::filesystem::file_time_type::duration>(delta));
}
} // namespace

TEST(Trace, LinesAreThreeTextsJoinedByBlanksAndTheDayDecidesAppendOrRestart) {
    testing::TestHome home;
    const auto file = home.path("day.trace");
    {
        Trace trace(file, now());
        trace.Tracy("real");
        trace.Tracy("retrying: ", "2");
    }
    EXPECT_EQ(testing::readBytes(file), "real  \r\nretrying:  2 \r\n");
    {
        Trace sameDay(file, now());
        sameDay.Tracy("a", "b", "c");
    }
    EXPECT_EQ(testing::readBytes(file), "real  \r\nretrying:  2 \r\na b c\r\n");

    setModified(file, FileTime{now().nanoseconds - 2 * kDay});
    {
        Trace nextDay(file, now());
        nextDay.Tracy("fresh");
    }
    EXPECT_EQ(testing::readBytes(file), "fresh  \r\n");
}

} // namespace qmk
