#include "session/file_menu.h"

#include "format/damage_report.h"
#include "store/parameters.h"
#include "store/statements.h"

namespace qmk {

OpenedFile openCommandFile(const std::filesystem::path& file, Parser& parser, Database& store,
                           const Backups& backups, Prompt& prompt, Trace& trace,
                           const ProgramDir& home, const std::filesystem::path& current) {
    OpenedFile opened;
    if (!std::filesystem::is_regular_file(file)) {
        prompt.notify(Prompt::Kind::Warning, "File does not exist", file.string());
        return opened;
    }
    Parameters parameters(store);
    if (parameters.get(Parameters::Text::openfile) != file.string())
        parameters.set(Parameters::Text::openfile, file.string());
    parameters.set(Parameters::Number::parsed, 0);
    statements::emptyTables(store);
    if (!parser.parse(true, file.string()).ok()) {
        prompt.notify(Prompt::Kind::Error, "The above file has a problem - parsing error",
                      file.string());
        appendTraceToErrorLog(FileOps::system(), home.file(files::kErrorLog), trace.file());
        // The file shown before stays open: the user loses nothing by trying another file.
        if (!current.empty() && parser.parse(true, current.string()).ok()) {
            prompt.notify(Prompt::Kind::Warning,
                          file.string() + " cannot be read, so " + current.string() +
                              " stays open.\r\nWhat went wrong is written in " +
                              home.file(files::kErrorLog).string() +
                              "; please send that file to Tarnwell.",
                          "Open");
            return opened;
        }
        prompt.message(
            "Please send file 'error.log' to Tarnwell\r\nbefore running Quillmark10 again",
            "Now exiting");
        opened.endProgram = true;
        return opened;
    }
    opened.opened = true;
    opened.rollbackUser = backups.userOf(file);
    return opened;
}

std::filesystem::path openDialogStart(Database& store) {
    const auto last = Parameters(store).get(Parameters::Text::openfile);
    if (!last || last->empty())
        return "c:\\mycmds.dat";
    return *last;
}

void resetStore(Database& store, Prompt& prompt) {
    statements::emptyTables(store);
    Parameters parameters(store);
    parameters.set(Parameters::Text::UserName, " ");
    parameters.set(Parameters::Text::UserSub, " ");
    parameters.set(Parameters::Text::language, " ");
    parameters.set(Parameters::Text::lastmode, "app");
    parameters.set(Parameters::Number::parsed, 0);
    parameters.set(Parameters::Text::dvcmaptime, std::nullopt);
    parameters.set(Parameters::Text::mycmdstime, std::nullopt);
    parameters.set(Parameters::Text::mycmdsfile, std::nullopt);
    prompt.message("You must restart Quillmark10 for changes to apply", "Quillmark10");
}

} // namespace qmk
