// Writes seed command files for the parser fuzz target into the folder given.
#include "command_file_builder.h"

#include <cstdio>
#include <string>

using namespace qmk::fixture;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: qmk_fuzz_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    for (std::uint8_t version = 3; version <= 7; ++version) {
        CommandFileBuilder file(version);
        file.command("keys <l>").listReferences({"l"}).group("g").keys("{Ctrl+a}");
        file.command("script").application("prog").states({"s1"}).script("x");
        file.command("window").window("prog", "title").encrypted(2, "e").advanced("y");
        file.command("graphic").textAndGraphics("\x01\x02", "t");
        file.command("recorder")
            .recorder({RecorderEvent::key(65, 200), RecorderEvent::mouse(0, 1, 2),
                       RecorderEvent::opaque()},
                      {RecorderWindow{}});
        file.command("steps").steps({Step::press(65, 7), Step::open("a", "b", "c", 3),
                                     Step::wait(5), Step::type("t"), Step::sendKeys("k")});
        file.command("hidden").notLoaded().keys("h");
        file.list("l", {"one", "two"});
        file.write(folder + "/seed-v" + std::to_string(version) + ".dat");
    }
    return 0;
}
