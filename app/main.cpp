#include "common/version.h"
#include "main_window.h"
#include "mainwindow/program_start.h"
#include "qt_prompt.h"
#include "window_arguments.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// The help, the version and argument mistakes are printed before any window exists, so they
// need no display. A Windows window program has no console of its own: it writes into the one
// it was started from, unless its output already goes to a file or a pipe.
int printAndEnd(const qmk::app::WindowArguments& arguments) {
    const bool refused = arguments.action == qmk::app::WindowArguments::Action::Refuse;
#ifdef _WIN32
    const auto handle = GetStdHandle(refused ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if ((handle == nullptr || GetFileType(handle) == FILE_TYPE_UNKNOWN) &&
        AttachConsole(ATTACH_PARENT_PROCESS) != 0)
        (void)std::freopen("CONOUT$", "w", refused ? stderr : stdout);
#endif
    std::fputs(arguments.text.toLocal8Bit().constData(), refused ? stderr : stdout);
    return refused ? 2 : 0;
}

} // namespace

int main(int argc, char** argv) {
    const auto entered = std::chrono::steady_clock::now();
    QStringList given;
    for (int i = 0; i < argc; ++i)
        given << QString::fromLocal8Bit(argv[i]);
    const auto arguments = qmk::app::parseWindowArguments(given);
    if (arguments.action != qmk::app::WindowArguments::Action::Run)
        return printAndEnd(arguments);
    QApplication application(argc, argv);
    QApplication::setApplicationName("Quillmark10");
    QApplication::setApplicationVersion(qmk::kVersion);
    const auto home = qmk::ProgramDir::resolve(arguments.home.toStdString());
    qmk::app::QtPrompt prompt;
    const auto program = qmk::ProgramStart::enter(home, prompt);
    if (!program)
        return 1;
    qmk::app::MainWindow window(home, program->dragon());
    if (const char* speak = std::getenv("QUILLMARK10_SPEAK_BOX"); speak && *speak == '1')
        window.addSpeakBox([&program](const std::string& words) { program->hear(words); });
    if (!window.start(arguments.commandLine))
        return 1;
    window.show();
    // QUILLMARK10_TIMED_START (the start-up benchmark's): once the window has shown, say how
    // many milliseconds the start took and end.
    if (const char* timed = std::getenv("QUILLMARK10_TIMED_START"); timed && *timed == '1')
        QTimer::singleShot(0, &window, [entered] {
            const auto taken = std::chrono::steady_clock::now() - entered;
            std::printf("%lld\n",
                        static_cast<long long>(
                            std::chrono::duration_cast<std::chrono::milliseconds>(taken).count()));
            std::fflush(stdout);
            QApplication::exit(0);
        });
    return QApplication::exec();
}
