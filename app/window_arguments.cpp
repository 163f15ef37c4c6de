#include "window_arguments.h"

#include "common/version.h"

#include <QCommandLineParser>

namespace qmk::app {

namespace {

// The help is printed before any application object exists (no display is needed for it), so
// Qt does not know the program's name: it is put in here.
QString helpOf(const QCommandLineParser& parser) {
    return parser.helpText().replace("<executable_name>", "quillmark10");
}

} // namespace

WindowArguments parseWindowArguments(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription("Quillmark10: views and edits Dragon's custom voice commands");
    const auto help = parser.addHelpOption();
    const auto version = parser.addVersionOption();
    const QCommandLineOption home("home",
                                  "The program's directory (else $QUILLMARK10_HOME, else the "
                                  "per-user data folder).",
                                  "DIR");
    parser.addOption(home);
    parser.addPositionalArgument("FILE", "The command file to open, or the words Dragon passes.",
                                 "[FILE | words]");
    // Dragon's words may look like options: everything after the first word is a word.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);

    WindowArguments parsed;
    if (!parser.parse(arguments)) {
        parsed.action = WindowArguments::Action::Refuse;
        parsed.text = parser.errorText() + "\n\n" + helpOf(parser);
        return parsed;
    }
    if (parser.isSet(help)) {
        parsed.action = WindowArguments::Action::ShowHelp;
        parsed.text = helpOf(parser);
        return parsed;
    }
    if (parser.isSet(version)) {
        parsed.action = WindowArguments::Action::ShowVersion;
        parsed.text = QString("Quillmark10 ") + kVersion + "\n";
        return parsed;
    }
    parsed.home = parser.value(home);
    parsed.commandLine = parser.positionalArguments().join(' ').toStdString();
    return parsed;
}

} // namespace qmk::app
