// Writes the bundled demo user's command file: a 10.x file of a few hundred commands with every
// kind of command, several Programs and window Scopes, Groups, and LISTs that commands use.
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
        .textAndGraphics("{\\rtf1\\ansi Example & Co.\\par 1 High Street}",
                         "Example & Co.\r\n1 High Street");
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
    file.command("letterhead rich")
        .group("Letters")
        // The formatted text is the graphic part; the text part is its plain reading.
        .textAndGraphics("{\\rtf1\\ansi\\deff0 {\\fonttbl {\\f0 Arial;}}{\\colortbl;\\red0\\green0"
                         "\\blue160;}\\fs28\\b\\cf1 Example & Co.\\b0\\cf0\\par\\fs20 1 High "
                         "Street\\line Caf\\'e9 \\i open daily\\i0}",
                         "Example & Co.\r\n1 High Street\r\nCaf\xE9 open daily");
    file.command("vendor macro")
        .group("Vendor")
        .encrypted(3, "vendor key")
        .advanced("\x8f\x12\x7f");
    file.command("color <colors>").listReferences({"colors"}).group("Art").keys("{Alt+o}c");

    // Everyday commands of a few programs and their windows.
    const char* programs[][3] = {{"winword", "Microsoft Word", "Document1"},
                                 {"excel", "Microsoft Excel", "Book1"},
                                 {"outlook", "Microsoft Outlook", "Inbox - Outlook"},
                                 {"notepad", "Notepad", "Untitled - Notepad"}};
    const char* verbs[] = {"open",     "close",  "save", "print", "find", "next",
                           "previous", "select", "copy", "paste", "undo", "redo"};
    const char* things[] = {"file", "window", "page", "line", "word", "item", "tab", "folder"};
    int n = 0;
    for (const auto& program : programs) {
        for (const char* verb : verbs) {
            for (const char* thing : things) {
                const std::string name = std::string(verb) + " " + thing;
                auto& c = file.command(name).group(program[1]);
                if (++n % 3 == 0)
                    c.window(program[0], program[2], "MainWindowClass", program[1], "Microsoft");
                else
                    c.application(program[0], program[1], "Microsoft Corporation")
                        .states({"Editing"});
                switch (n % 4) {
                case 0:
                    c.keys("{Ctrl+" + std::string(1, thing[0]) + "}");
                    break;
                case 1:
                    c.advanced("Sub Main\r\n  SendKeys \"" + name + "\"\r\nEnd Sub\r\n");
                    break;
                case 2:
                    c.script("SendKeys \"{Alt+" + std::string(1, verb[0]) + "}\"\r\n");
                    break;
                default:
                    c.plainText(name + " done.");
                    break;
                }
            }
        }
    }
    file.list("mailbox", {"inbox", "outbox", "sent items", "drafts"});
    file.list("colors", {"red", "green", "blue"});
    file.write(argv[1]);
    return 0;
}
