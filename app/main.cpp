#include "main_window.h"
#include "platform/single_instance.h"
#include "qt_prompt.h"
#include "session/installation.h"
#include "session/startup.h"

#include <QApplication>
#include <QStringList>
#include <string>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Quillmark10");
    // quillmark10 [--home DIR] [FILE | words]: the words are the command line Dragon passes.
    std::string homeOption, commandLine;
    const auto arguments = QApplication::arguments();
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--home" && i + 1 < arguments.size()) {
            homeOption = arguments[++i].toStdString();
            continue;
        }
        if (!commandLine.empty())
            commandLine += ' ';
        commandLine += arguments[i].toStdString();
    }
    const auto home = qmk::ProgramDir::resolve(homeOption);
    qmk::app::QtPrompt prompt;
    // The first run of an installed program sets up the user's program directory.
    if (!qmk::programDirectoryReady(home)) {
        std::string error;
        if (!qmk::setUpProgramDirectory(
                home, [](const std::string&) {}, error)) {
            prompt.message(error, "Quillmark10 cannot set up its folder");
            return 1;
        }
    }
    const auto lock = qmk::enterProgram(home.folder(), prompt);
    if (!lock)
        return 1;
    qmk::app::MainWindow window(home);
    if (!window.start(commandLine))
        return 1;
    window.show();
    return QApplication::exec();
}
