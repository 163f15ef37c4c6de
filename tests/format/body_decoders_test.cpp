#include "command_file_builder.h"
#include "format/keynames.h"
#include "format/record.h"
#include "test_home.h"

#include <gtest/gtest.h>

namespace qmk {

using fixture::CommandFileBuilder;
using fixture::RecorderEvent;
using fixture::RecorderWindow;
using fixture::Step;

namespace {
// Parses a file holding one command built by `make`, then one keystroke command "after" that
// proves the body was framed exactly; returns the first command's script.
template <typename Make> std::string decoded(Make make, std::uint8_t version = 7) {
    testing::TestHome home;
    CommandFileBuilder file(version);
    make(file.command("macro"));
    file.command("after").keys("next");
    const auto result = home.parse(home.writeFile("mycmds.dat", file.build()));
    EXPECT_TRUE(result.ok()) << result.message;
    const auto rows = home.rows();
    EXPECT_EQ(rows.size(), 2u);
    if (rows.size() != 2)
        return "<not stored>";
    EXPECT_EQ(rows[1].script, "next");
    return rows[0].script;
}
} // namespace

TEST(RecorderBody, EventsBecomeLines) {
    EXPECT_EQ(decoded([](auto& c) { c.recorder({}); }), "");
    EXPECT_EQ(decoded([](auto& c) {
                  c.recorder({RecorderEvent::key(65, 0), RecorderEvent::key(65, 64),
                              RecorderEvent::key(65, 65), RecorderEvent::key(13, 192)},
                             {RecorderWindow{}, RecorderWindow{}});
              }),
              "A key down\r\nA key down\r\nA key up\r\nEnter key up");
    EXPECT_EQ(decoded([](auto& c) {
                  c.recorder({RecorderEvent::mouse(0, 120, 45), RecorderEvent::mouse(1),
                              RecorderEvent::mouse(2), RecorderEvent::mouse(4),
                              RecorderEvent::mouse(5), RecorderEvent::mouse(3),
                              RecorderEvent::mouse(0, 65535, 40000), RecorderEvent::opaque()});
              }),
              "Mouse move (120,45)\r\nMouse left button down\r\nMouse left button up\r\n"
              "Mouse right button down\r\nMouse right button up\r\nMouse something\r\n"
              "Mouse move (65535,40000)");
    // Key code 0 names nothing; code 10 is an empty line of keynames.
    EXPECT_EQ(decoded([](auto& c) {
                  c.recorder({RecorderEvent::key(0, 0), RecorderEvent::key(10, 0)});
              }),
              " key down\r\nUnknown key down");
}

TEST(RecorderBody, AnUnknownEventKindConsumesItsKindByteOnly) {
    // Kind 9 is followed directly by the next event; the event count includes it.
    EXPECT_EQ(decoded([](auto& c) {
                  c.recorder({RecorderEvent::unknownKind(9), RecorderEvent::key(66, 0)});
              }),
              "B key down");
}

TEST(StepByStepBody, StepsBecomeLines) {
    EXPECT_EQ(
        decoded([](auto& c) {
            c.steps(
                {Step::press(65, 3), Step::press(65, 0), Step::press(112, 4), Step::press(66, 7)});
        }),
        "Press Shift + Ctrl + A\r\nPress A\r\nPress Alt + F1\r\nPress Shift + Ctrl + Alt + B");
    EXPECT_EQ(decoded([](auto& c) {
                  c.steps({Step::open("notepad.exe", "c:\\x.txt", "c:\\", 1),
                           Step::open("calc", "", "", 3), Step::open("a", "b", "c", 257)});
              }),
              "Open \"notepad.exe\",\"c:\\x.txt\",\"c:\\\",\"\"\r\n"
              "Open \"calc\",\"\",\"\",\"3\"\r\nOpen \"a\",\"b\",\"c\",\"\"");
    EXPECT_EQ(decoded([](auto& c) {
                  c.steps({Step::wait(1500), Step::wait(70000), Step::stopListening(),
                           Step::microphoneOn(), Step::microphoneOff(), Step::type("hello"),
                           Step::sendKeys("{Enter}")});
              }),
              "wait 1500 milliseconds\r\nwait 4464 milliseconds\r\nStop Listening\r\n"
              "Microphone On\r\nMicrophone Off\r\nType \"hello\"\r\nSendKeys \"{Enter}\"");
}

TEST(StepByStepBody, AnUnknownStepCodeIsShownAndStopsTheParseAsDamage) {
    testing::TestHome home;
    CommandFileBuilder file;
    file.command("good").keys("g");
    file.command("broken").steps({Step::type("x"), Step::unknown(9), Step::type("y")});
    file.list("colors", {"red"});
    const auto image = file.build();
    const auto result = home.parse(home.writeFile("mycmds.dat", image));
    EXPECT_EQ(result.status, ParseStatus::Damaged);
    ASSERT_EQ(home.prompt.shown.size(), 1u);
    EXPECT_EQ(home.prompt.shown[0].text, "Unknown step-by-step command:9");
    const auto codeAt = image.find(std::string("\x09\x0b\x01y", 4)) + 1;
    EXPECT_EQ(home.prompt.shown[0].title, "Offset =" + std::to_string(codeAt + 1));
    const auto rows = home.rows();
    ASSERT_EQ(rows.size(), 1u); // nothing after the unframable body is trusted
    EXPECT_EQ(rows[0].name, "good");
}

TEST(KeyNames, LinesFillEntriesFromOne) {
    std::string text = "  Left Button \r\n\r\nCancel\n";
    for (int i = 4; i <= 300; ++i)
        text += "k" + std::to_string(i) + "\n";
    const auto keys = KeyNames::fromText(text);
    EXPECT_EQ(keys[0], "");
    EXPECT_EQ(keys[1], "Left Button");
    EXPECT_EQ(keys[2], "Unknown");
    EXPECT_EQ(keys[3], "Cancel");
    EXPECT_EQ(keys[256], "k256"); // lines past 256 are ignored
    EXPECT_EQ(KeyNames::fromText("A")[2], "");
}

} // namespace qmk
