// Writes the bundled demo user's command file: a small 10.x file with every kind of command.
#include "command_file_builder.h"

#include <cstdio>

using namespace qmk::fixture;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: qmk_make_demo FILE\n");
        return 2;
    }
    CommandFileBuilder file(7, 9);
    file.command("open <mailbox>")
        .listReferences({"mailbox"})
        .description("Opens a mail folder")
        .group("Mail")
        .keys("{Ctrl+Shift+i}");
    file.command("global quillmark")
        .description("Starts Quillmark10 on Global Commands")
        .group("Quillmark")
        .advanced("Sub Main\r\n  ShellExecute \"quillmark10 global commands\"\r\nEnd Sub");
    file.command("local quillmark")
        .description("Starts Quillmark10 on the program in front")
        .group("Quillmark")
        .advanced("Sub Main\r\n  ShellExecute \"quillmark10\"\r\nEnd Sub");
    file.command("sign off").group("Letters").plainText("Kind regards,\r\n\r\nPat Example");
    file.command("letterhead")
        .group("Letters")
        .textAndGraphics(std::string(64, '\x11'), "Example & Co.\r\n1 High Street");
    file.command("make it bold")
        .application("winword", "Microsoft Word", "Microsoft Corporation")
        .states({"Editing"})
        .group("Word")
        .script("SendKeys \"{Ctrl+b}\"");
    file.command("next page")
        .window("winword", "Document1", "OpusApp", "Microsoft Word", "Microsoft Corporation")
        .states({"Editing", "Reading"})
        .group("Word")
        .keys("{PgDn}");
    file.command("save and close")
        .application("notepad", "Notepad", "Microsoft Corporation")
        .recorder({RecorderEvent::key(17, 0), RecorderEvent::key(83, 0),
                   RecorderEvent::key(83, 128), RecorderEvent::key(17, 128),
                   RecorderEvent::mouse(0, 640, 12), RecorderEvent::mouse(1),
                   RecorderEvent::mouse(2)},
                  {RecorderWindow{}});
    file.command("start the day")
        .group("Routine")
        .steps({Step::open("notepad.exe", "c:\\notes\\today.txt", "c:\\notes", 1), Step::wait(1500),
                Step::type("Today: "), Step::press(13, 0), Step::press(83, 2),
                Step::sendKeys("{Home}"), Step::microphoneOff()});
    file.command("caf\xE9 order")
        .description("A name outside ASCII")
        .group("Letters")
        .plainText("Un caf\xE9 cr\xE8me, s'il vous pla\xEEt.");
    file.list("mailbox", {"inbox", "outbox", "sent items", "drafts"});
    file.list("colors", {"red", "green", "blue"});
    file.write(argv[1]);
    return 0;
}
