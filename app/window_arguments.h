#pragma once

#include <QString>
#include <QStringList>
#include <string>

namespace qmk::app {

// The window's command line: quillmark10 [--home DIR] [FILE | words Dragon passes].
struct WindowArguments {
    enum class Action { Run, ShowHelp, ShowVersion, Refuse };
    Action action = Action::Run;
    QString home;
    // The file to open, or the words of the voice command that started the program.
    std::string commandLine;
    // The help, the version, or what was wrong with the arguments.
    QString text;
};

// `arguments` as QCoreApplication::arguments() gives them, the program first.
WindowArguments parseWindowArguments(const QStringList& arguments);

} // namespace qmk::app
