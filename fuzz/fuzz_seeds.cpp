// Writes the seed corpus of every fuzz target into FOLDER/<target>. The corpus kept in
// fuzz/corpus was made with it: qmk_fuzz_seeds fuzz/corpus
#include "command_file_builder.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace qmk::fixture;
namespace fs = std::filesystem;

namespace {

void write(const fs::path& folder, const std::string& name, const std::string& bytes) {
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary) << bytes;
}

std::string commandFile(std::uint8_t version) {
    CommandFileBuilder file(version);
    file.command("keys <l>").listReferences({"l"}).group("g").keys("{Ctrl+a}");
    file.command("script").application("prog").states({"s1"}).script("x");
    file.command("window").window("prog", "title").encrypted(2, "e").advanced("y");
    file.command("graphic").textAndGraphics("\x01\x02", "t");
    file.command("recorder")
        .recorder(
            {RecorderEvent::key(65, 200), RecorderEvent::mouse(0, 1, 2), RecorderEvent::opaque()},
            {RecorderWindow{}});
    file.command("steps").steps({Step::press(65, 7), Step::open("a", "b", "c", 3), Step::wait(5),
                                 Step::type("t"), Step::sendKeys("k")});
    file.command("hidden").notLoaded().keys("h");
    file.command("plain keys").keys("hello");
    file.list("l", {"one", "two"});
    return file.build();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: qmk_fuzz_seeds FOLDER\n");
        return 2;
    }
    const fs::path folder = argv[1];
    for (std::uint8_t version = 3; version <= 7; ++version) {
        const auto file = commandFile(version);
        const auto name = "v" + std::to_string(version);
        write(folder / "parse", name + ".dat", file);
        // The writer target reads an operation and a row before the file.
        for (char operation = 0; operation < 19; operation += 3)
            write(folder / "writer", name + "-op" + std::to_string(operation) + ".bin",
                  std::string{operation, static_cast<char>(version)} + file);
    }
    const std::vector<std::string> keys{"{Ctrl+a}", "{Shift+Alt+F4 3}",      "abc{Enter}def",
                                        "{{}{}}",   "{Ctrl+Shift+End}{Del}", "+^%~[]()"};
    for (std::size_t i = 0; i < keys.size(); ++i)
        write(folder / "keys", "keys" + std::to_string(i), keys[i]);
    write(folder / "ini", "settings.ini",
          "[Quillmark]\r\nslider=5\r\nform top=50\r\n\r\n[recent C:/Users/pat/mycmds.dat]\r\n"
          "1=\"global quillmark\"\r\n");
    write(folder / "ini", "no-section.ini", "slider=3\r\n; comment\r\n[]\r\n=\r\n");
    write(folder / "rtf", "letter.rtf",
          "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
          "\\pard Dear {\\b Sir}\\par caf\\'e9 \\u8364? {\\cf1 red}\\tab end"
          "{\\*\\unknown hidden}{\\pict 0102}\\line\\uc2\\u-3913XY}");
    write(folder / "xml", "set.xml",
          "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<MyCommands version=\"2.0\" "
          "language=\"0x409\">\r\n<Commands type=\"global\">\r\n<Command name=\"open [l]\" "
          "group=\"g\" enabled=\"false\" states=\"a,b\"><description>d</description><contents "
          "type=\"DVC_SCRIPT\"><![CDATA[SendKeys \"{Ctrl+a}\"]]></contents></Command>\r\n"
          "<Command name=\"t\"><contents type=\"TEXT-GRAPHICS\"><RTF><![CDATA[{\\rtf1 x}]]>"
          "</RTF><TEXT><![CDATA[x]]></TEXT></contents></Command>\r\n</Commands>\r\n"
          "<Commands type=\"window\"><module>m</module><company>c</company><description>d"
          "</description><caption>w</caption><class>k</class><Command name=\"r\"><contents "
          "type=\"ACTIONS\" body=\"0000000001000000000200000000000000000000000000000000\"/>"
          "</Command></Commands>\r\n<Lists><List name=\"l\"><Value>a\\b</Value><Value>\\"
          "</Value></List></Lists></MyCommands>\r\n");
    return 0;
}
