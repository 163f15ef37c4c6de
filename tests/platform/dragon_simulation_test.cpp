#include "common/message_loop.h"
#include "common/utf8_path.h"
#include "platform/dragon_engine.h"
#include "platform/microphone.h"
#include "platform/private_profile.h"
#include "platform/process.h"
#include "platform/single_instance.h"
#include "platform/voice_command.h"
#include "platform/window_system.h"
#include "test_home.h"
#include "text_checks.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace qmk {

namespace {

std::vector<std::string> pressed(const std::string& keys) {
    std::vector<std::string> out;
    const auto strokes = parseSendKeys(keys);
    if (!strokes)
        return {"unparsed"};
    for (const auto& k : *strokes)
        out.push_back(std::string(k.shift ? "S-" : "") + (k.control ? "C-" : "") +
                      (k.alt ? "A-" : "") + k.key);
    return out;
}

} // namespace

TEST(SendKeys, ParsesModifiersGroupsRepeatsAndBraces) {
    EXPECT_EQ(pressed("%y{end}"), (std::vector<std::string>{"A-y", "end"}));
    EXPECT_EQ(pressed("{tab 2}^{end}+(^{home})"),
              (std::vector<std::string>{"tab", "tab", "C-end", "S-C-home"}));
    EXPECT_EQ(pressed("+(ab)c~{{}{}}"),
              (std::vector<std::string>{"S-a", "S-b", "c", "enter", "{", "}"}));
    EXPECT_EQ(pressed("{Alt+r}{down 3}{up}{enter}"),
              (std::vector<std::string>{"alt+r", "down", "down", "down", "up", "enter"}));
    EXPECT_FALSE(parseSendKeys("{end"));
    EXPECT_FALSE(parseSendKeys("+(ab"));
    EXPECT_FALSE(parseSendKeys("a)"));
}

TEST(SimulatedVoiceCommand, HearsActiveMenusWithListsAndRunsScripts) {
    SimulatedWindows windows;
    const auto main = windows.open({0, "Quillmark", "Quillmark - mycmds.dat", "quillmark10"});
    SimulatedVoiceCommand voice(windows);
    ASSERT_TRUE(voice.registerClient(""));
    const int menu = voice.createMenu("Quillmark10", "Quillmark10", 1033, "", 1);
    voice.replaceList(menu, "slidernumbers", {"1", "2", "3", "10"});
    voice.addCommand(menu, {5, "slider <slidernumbers>", "Spoken controls", "d", ""});
    voice.addCommand(menu, {6, "program <slidernumbers>", "Spoken controls", "d",
                            "SendKeys \"{Alt+r}{down \" & _arg1 & \"}{up}{enter}\""});
    std::vector<std::string> heard;
    voice.onRecognised([&](int id, const std::string& words) {
        heard.push_back(std::to_string(id) + ":" + words);
    });
    EXPECT_FALSE(voice.hear("slider 3")) << "the menu is not active";
    voice.activate(menu, true);
    EXPECT_TRUE(voice.hear("Slider 10"));
    EXPECT_FALSE(voice.hear("slider 4"));
    EXPECT_TRUE(voice.hear("program 2"));
    EXPECT_EQ(heard, (std::vector<std::string>{"5:Slider 10", "6:program 2"}));
    EXPECT_EQ(windows.typedInto(main), std::vector<std::string>{"{Alt+r}{down 2}{up}{enter}"});
    voice.removeCommand(menu, 5);
    EXPECT_FALSE(voice.hear("slider 3"));

    EXPECT_EQ(voice.checkScript("SendKeys \"abc\"\r\n\r\n' note\r\nWait 100"), 0);
    EXPECT_EQ(voice.checkScript("SendKeys \"abc\"\r\nFlyAway 3\r\nSendKeys \"x"), 2);
    EXPECT_EQ(voice.checkScript("HeardWord \"a\",\"b\"\r\nSendKeys \"x"), 2);
}

TEST(Platform, SingleInstanceAndHiddenProcess) {
    testing::TestHome home;
    auto first = SingleInstance::acquire(home.path("quillmark10.lock"));
    ASSERT_TRUE(first);
    EXPECT_FALSE(SingleInstance::acquire(home.path("quillmark10.lock")));
    first.reset();
    EXPECT_TRUE(SingleInstance::acquire(home.path("quillmark10.lock")));

    // The merge tool exits 2 unless given exactly two files: one argument with a blank in it
    // stays one argument.
    auto ok = HiddenProcess::run({MERGEMYCMDS, "only one"});
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->wait(), 2);
    EXPECT_FALSE(ok->running());
    EXPECT_FALSE(HiddenProcess::run({utf8Of(home.path("missing"))}));
    // Its error output goes to the file asked for; a file that cannot be made starts nothing.
    ASSERT_EQ(HiddenProcess::run({MERGEMYCMDS}, {{}, home.path("err.txt")})->wait(), 2);
    EXPECT_TRUE(testing::contains(home.readFile("err.txt"), "mergemycmds"));
    EXPECT_FALSE(HiddenProcess::run({MERGEMYCMDS}, {home.path("missing/out.txt"), {}}));
    SimulatedMicrophone microphone(2);
    microphone.setState(1);
    EXPECT_EQ(microphone.state(), 1);
}

// The editions of the Professional series, and only they, take custom commands.
TEST(SimulatedDragonSetup, TheEditionFromTheEnvironment) {
    const std::pair<const char*, bool> editions[] = {
        {"Professional", true},  {"Medical", true},    {"Legal", true},
        {"Public Safety", true}, {"Preferred", false}, {"Standard", false},
        {"professional", false},
    };
    testing::ScopedEnvironment environment;
    for (const auto& [edition, professional] : editions) {
        environment.set("QUILLMARK10_DRAGON_EDITION", edition);
        EXPECT_EQ(SimulatedDragonSetup::fromEnvironment().professional, professional) << edition;
    }
    environment.unset("QUILLMARK10_DRAGON_EDITION");
    EXPECT_TRUE(SimulatedDragonSetup::fromEnvironment().professional);
}

} // namespace qmk
