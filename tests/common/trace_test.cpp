#include "common/file_time.h"
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
        trace.mark("real");
        trace.mark("retrying: ", "2");
    }
    EXPECT_EQ(testing::readBytes(file), "real  \r\nretrying:  2 \r\n");
    {
        Trace sameDay(file, now());
        sameDay.mark("a", "b", "c");
    }
    EXPECT_EQ(testing::readBytes(file), "real  \r\nretrying:  2 \r\na b c\r\n");

    setModified(file, FileTime{now().nanoseconds - 2 * kDay});
    {
        Trace nextDay(file, now());
        nextDay.mark("fresh");
    }
    EXPECT_EQ(testing::readBytes(file), "fresh  \r\n");
}

TEST(FileTimes, ShownStoredAndShortFormsOfOneMoment) {
    auto moment = testing::localTime(2026, 1, 5, 9, 8, 7);
    moment.nanoseconds += 42;
    EXPECT_EQ(moment.display(), "2026-01-05 09:08:07");
    EXPECT_EQ(moment.stored(), "2026-01-05 09:08:07.000000042");
    EXPECT_EQ(mmddyy(moment), "010526");
}

} // namespace qmk
