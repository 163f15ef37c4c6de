#include "common/version.h"
#include "main_window.h"
#include "platform/dragon_platform.h"
#include "platform/single_instance.h"
#include "qt_prompt.h"
#include "session/installation.h"
#include "session/startup.h"
#include "window_arguments.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Quillmark10");
    QApplication::setApplicationVersion(qmk::kVersion);
    const auto arguments = qmk::app::parseWindowArguments(QApplication::arguments());
    using Action = qmk::app::WindowArguments::Action;
    if (arguments.action != Action::Run) {
        const bool refused = arguments.action == Action::Refuse;
        std::fputs(arguments.text.toLocal8Bit().constData(), refused ? stderr : stdout);
        return refused ? 2 : 0;
    }
    const auto home = qmk::ProgramDir::resolve(arguments.home.toStdString());
    qmk::app::QtPrompt prompt;
    // The first run of an installed program sets up the user's program directory.
    if (!qmk::programDirectoryReady(home)) {
        std::string error;
        if (!qmk::setUpProgramDirectory(
                home, [](const std::string&) {}, error)) {
            prompt.notify(qmk::Prompt::Kind::Error, error, "Quillmark10 cannot set up its folder");
            return 1;
        }
    }
    const auto lock = qmk::enterProgram(home.folder(), prompt);
    if (!lock)
        return 1;
    // No back end over Dragon's own controls yet: the simulation stands in.
    qmk::SimulatedDragon dragon;
    qmk::app::MainWindow window(home, dragon.platform());
    if (const char* speak = std::getenv("QUILLMARK10_SPEAK_BOX"); speak && *speak == '1')
        window.addSpeakBox([&dragon](const std::string& words) { dragon.voice.hear(words); });
    if (!window.start(arguments.commandLine))
        return 1;
    window.show();
    return QApplication::exec();
}
