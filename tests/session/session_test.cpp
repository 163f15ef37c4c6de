#include "command_file_builder.h"
#include "session/file_utilities.h"
#include "session/merge.h"
#include "session/notices.h"
#include "session/recent_files.h"
#include "session/settings.h"
#include "store/statements.h"
#include "store/user_rows.h"
#include "test_home.h"
#include "text_checks.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace qmk {

TEST(FileUtilities, TruncateCutsOrSaysWhichStepFailed) {
    testing::TestHome home;
    const auto file = home.writeFile("target.dat", std::string(100, 'x'));
    EXPECT_FALSE(truncateFile(file, 25));
    EXPECT_EQ(std::filesystem::file_size(file), 25u);
    const auto missing = truncateFile(home.path("none.dat"), 25);
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->message, "Lopen in truncatefile failed");
    EXPECT_EQ(missing->title, home.path("none.dat").string());
}

TEST(FileUtilities, SpokenNumbersAreStrippedOnlyAfterANumberBlankHyphenBlank) {
    EXPECT_EQ(stripSpokenNumber("12 - open mail"), "open mail");
    EXPECT_EQ(stripSpokenNumber("open - mail"), "open - mail");
    EXPECT_EQ(stripSpokenNumber("3 - a - b "), "a - b");
    EXPECT_EQ(stripSpokenNumber("x12 -y"), "x12 -y");
}

TEST(FileUtilities, HeaderSummaryNamesFormatAndLanguage) {
    testing::TestHome home;
    fixture::CommandFileBuilder file(6, 7);
    file.command("a").keys("b");
    const auto path = home.writeFile("de.dat", file.build());
    const auto summary = headerSummary(path);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->formatLabel, "8/9");
    EXPECT_EQ(summary->languageName, "German");
    EXPECT_EQ(summary->languageCode, 7);
    EXPECT_EQ(summary->size, std::filesystem::file_size(path));
    EXPECT_EQ(headerSummary(home.writeFile("odd.dat", std::string(21, '\x09')))->formatLabel, "");
    EXPECT_FALSE(headerSummary(home.writeFile("short.dat", "LHSP")));
}

TEST(FileUtilities, TheStoreIsCompactedAboveThreeMillionBytesOrWhenForced) {
    testing::TestHome home;
    Trace trace(home.path("compact.trace"), now());
    auto store = openCommandStore(home.path("store.mdb"));
    UserRow row;
    row.name = "kept";
    deriveColumns(row);
    UserTable(*store).add(row);
    compactStore(store, home.path("store.mdb"), false, trace);
    EXPECT_EQ(home.readFile("compact.trace"), ""); // small: left alone
    // Exactly 3,000,000 bytes is not above the limit; one more is. (SQLite reads the pages its
    // header counts: bytes past them are not its.)
    std::filesystem::resize_file(home.path("store.mdb"), 3'000'000);
    compactStore(store, home.path("store.mdb"), false, trace);
    EXPECT_EQ(home.readFile("compact.trace"), "");
    std::filesystem::resize_file(home.path("store.mdb"), 3'000'001);
    compactStore(store, home.path("store.mdb"), false, trace);
    EXPECT_EQ(home.readFile("compact.trace"), "b4 compact db  \r\nafter compact  \r\n");
    EXPECT_LT(std::filesystem::file_size(home.path("store.mdb")), 100'000u);
    compactStore(store, home.path("store.mdb"), true, trace);
    EXPECT_EQ(home.readFile("compact.trace"),
              "b4 compact db  \r\nafter compact  \r\nb4 compact db  \r\nafter compact  \r\n");
    EXPECT_EQ(statements::countCommands(*store), 1);
    EXPECT_FALSE(std::filesystem::exists(home.path("store.mdb.compact")));
}

TEST(RecentFiles, TheLastEightNewestFirstWithoutRepeats) {
    testing::TestHome home;
    Settings settings(home.path(kSettingsFile));
    const RecentFiles recent(settings);
    EXPECT_TRUE(recent.list().empty());
    for (int i = 1; i <= 8; ++i)
        recent.add("/f" + std::to_string(i) + ".dat");
    EXPECT_EQ(recent.list(),
              (std::vector<std::string>{"/f8.dat", "/f7.dat", "/f6.dat", "/f5.dat", "/f4.dat",
                                        "/f3.dat", "/f2.dat", "/f1.dat"}));
    recent.add("/f9.dat"); // the ninth pushes out the oldest
    EXPECT_EQ(recent.list().size(), 8u);
    EXPECT_EQ(recent.list().back(), "/f2.dat");
    recent.add("/f5.dat"); // opened again: moves to the front, listed once
    EXPECT_EQ(recent.list(),
              (std::vector<std::string>{"/f5.dat", "/f9.dat", "/f8.dat", "/f7.dat", "/f6.dat",
                                        "/f4.dat", "/f3.dat", "/f2.dat"}));
    EXPECT_TRUE(testing::contains(home.readFile(kSettingsFile),
                                  "[Recent files]\r\ncount=8\r\n1=/f5.dat\r\n"));
}

TEST(Settings, MissingKeysAreWrittenWithTheirDefaults) {
    testing::TestHome home;
    Settings settings(home.path(kSettingsFile));
    const auto values = settings.load("/users/pat/mycmds.dat");
    EXPECT_EQ(values.saveUser, "Ask");
    EXPECT_TRUE(values.numberMenus);
    EXPECT_EQ(values.formRight, 576);
    EXPECT_FALSE(values.placementStored) << "a first start: the window finds its own size";
    EXPECT_TRUE(values.recent.empty());
    const auto text = home.readFile(kSettingsFile);
    for (const char* line :
         {"maximized=0", "form top=50", "form left=50", "form right=576", "form bottom=634",
          "save user=Ask", "no convert keys help=0", "dont show auto import=False",
          "dont show roam save user=False", "slider=5", "number menus=True", "font=MS Sans Serif",
          "fontsize=10", "fixedfont=Courier New", "fixedfontsize=10",
          "[\\users\\pat\\mycmds.dat]\r\nmrucount=0"})
        EXPECT_TRUE(testing::contains(text, line)) << line;

    settings.write("save user", "");
    settings.write("mrucount", "16", "/users/pat/mycmds.dat");
    for (int i = 1; i <= 16; ++i)
        settings.write(std::to_string(i), "command " + std::to_string(i), "/users/pat/mycmds.dat");
    const auto again = settings.load("\\users\\pat\\mycmds.dat");
    EXPECT_EQ(again.saveUser, "Ask");
    EXPECT_EQ(again.recent.size(), 14u);
    EXPECT_EQ(again.recent[13], "command 14");

    settings.savePlacement(10, 20, 300, 400, true);
    EXPECT_EQ(settings.load("x").formBottom, 400);
    EXPECT_EQ(settings.load("x").maximized, 1);
    EXPECT_TRUE(settings.load("x").placementStored);
    const std::pair<const char*, bool> flags[] = {
        {"-1", true},     {"1", true},    {"True", true},  {"true", true},
        {"TRUE", true},   {"tRUE", true}, {"TrUe", false}, {"Truth", false},
        {"False", false}, {"0", false},   {"", false},     {"yes", false},
    };
    for (const auto& [value, flag] : flags)
        EXPECT_EQ(settingFlag(value), flag) << '"' << value << '"';
}

TEST(Notices, KeyConversionNoticeHelpPagesAndTheNumberingOption) {
    testing::TestHome home;
    Settings settings(home.path("Quillmark10.INI"));
    std::vector<int> shown;
    const auto help = [&](int topic) { shown.push_back(topic); };
    home.prompt.choices = {0, 1};
    home.prompt.checks = {false, true};
    keyConversionNotice(settings, home.prompt, help);
    EXPECT_EQ(shown, std::vector<int>{kKeyConversionHelp});
    EXPECT_EQ(home.prompt.shown.back().title, "Please Read Help if First Time Converting");
    keyConversionNotice(settings, home.prompt, help);
    EXPECT_EQ(settings.read("no convert keys help", ""), "True");
    keyConversionNotice(settings, home.prompt, help);
    EXPECT_EQ(home.prompt.shown.size(), 2u) << "not offered again";

    std::filesystem::create_directories(home.path("help"));
    home.writeFile("help/10001.html", "<html/>");
    EXPECT_EQ(helpPage(home.home(), kOptionsHelp), home.path("help/10001.html"));
    EXPECT_EQ(helpPage(home.home(), 10099), home.path("help/index.html"));
    setNumberMenus(settings, false);
    EXPECT_FALSE(settings.load(home.path("mycmds.dat")).numberMenus);
}

// The merge names the speaker's language by its primary code, and lets the clock pass into
// another second first, so that the tool's write shows as a change of the file's time.
TEST(Merge, LanguageCodesAndTheWaitForTheClocksSecond) {
    const std::pair<std::uint32_t, int> codes[] = {{1031, 7},  {1033, 9},  {2057, 9},
                                                   {3081, 9},  {61449, 9}, {1034, 10},
                                                   {1036, 12}, {1043, 19}, {1041, -1}};
    for (const auto& [lcid, code] : codes)
        EXPECT_EQ(languageOfLcid(lcid).value_or(255), code < 0 ? 255 : code) << lcid;

    testing::TestHome home;
    fixture::CommandFileBuilder target, source;
    target.command("old").keys("o");
    source.command("merged").keys("m");
    // Written early in a second, so that the merge starts within that second.
    while (std::chrono::system_clock::now().time_since_epoch() % std::chrono::seconds(1) >
           std::chrono::milliseconds(300))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto file = home.writeFile("mycmds.dat", target.build());
    const auto noted = modificationTime(file).value_or(FileTime{});
    PollingLoop waits;
    ASSERT_TRUE(
        runToEnd(mergeThroughTool(MERGEMYCMDS, file, home.writeFile("new.dat", source.build()), 9,
                                  home.trace(), waits, {}))
            .done());
    EXPECT_NE(modificationTime(file)->nanoseconds / 1000000000, noted.nanoseconds / 1000000000);
}

} // namespace qmk
