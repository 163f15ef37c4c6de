#include "session/file_menu.h"

#include "common/utf8_path.h"
#include "format/damage_report.h"
#include "store/parameters.h"
#include "store/statements.h"

namespace qmk {

OpenedFile openCommandFile(const std::filesystem::path& file, Parser& parser, Database& store,
                           const Backups& backups, Prompt& prompt, Trace& trace,
                           const ProgramDir& home, const std::filesystem::path& current) {
    OpenedFile opened;
    if (std::error_code ec; std::filesystem::is_directory(file, ec)) {
        prompt.notify(Prompt::Kind::Warning, "This is not a command file: it is a folder",
                      utf8Of(file));
        return opened;
    }
    if (!std::filesystem::is_regular_file(file)) {
        prompt.notify(Prompt::Kind::Warning, "File does not exist", utf8Of(file));
        return opened;
    }
    Parameters parameters(store);
    if (parameters.get(Parameters::Text::openfile) != utf8Of(file))
        parameters.set(Parameters::Text::openfile, utf8Of(file));
    parameters.set(Parameters::Number::parsed, 0);
    statements::emptyTables(store);
    if (const auto parsed = parser.parse(true, utf8Of(file)); !parsed.ok()) {
        // The system's text, then what the problem is and where the details are.
        const auto problem =
            parsed.status == ParseStatus::Damaged ? parser.damage() : parsed.message;
        prompt.notify(Prompt::Kind::Error,
                      "The above file has a problem - parsing error" +
                          (problem.empty() ? std::string() : "\r\n\r\n" + problem),
                      utf8Of(file));
        appendTraceToErrorLog(FileOps::system(), home.file(files::kErrorLog), trace.file());
        // The file shown before stays open: the user loses nothing by trying another file.
        if (!current.empty() && parser.parse(true, utf8Of(current)).ok()) {
            prompt.notify(Prompt::Kind::Warning,
                          utf8Of(file) + " cannot be read, so " + utf8Of(current) +
                              " stays open.\r\nWhat went wrong is written in " +
                              utf8Of(home.file(files::kErrorLog)) +
                              "; please send that file to Tarnwell.",
                          "Open");
            return opened;
        }
        prompt.message("Please send file 'error.log' to Tarnwell\r\nbefore running Quillmark10 "
                       "again\r\n\r\n" +
                           utf8Of(home.file(files::kErrorLog)),
                       "Now exiting");
        opened.endProgram = true;
        return opened;
    }
    opened.opened = true;
    opened.rollbackUser = backups.userOf(file);
    return opened;
}

namespace {

// The stored path while its folder (or itself, for a folder) exists.
std::optional<std::filesystem::path> existingPlace(Database& store, Parameters::Text which,
                                                   bool isFolder) {
    const auto stored = Parameters(store).get(which);
    if (!stored || stored->empty())
        return std::nullopt;
    auto path = pathFromUtf8(*stored);
    std::error_code ec;
    if (!std::filesystem::is_directory(isFolder ? path : path.parent_path(), ec))
        return std::nullopt;
    return path;
}

} // namespace

std::filesystem::path openDialogStart(Database& store, const std::filesystem::path& inUse) {
    return existingPlace(store, Parameters::Text::openfile, false).value_or(inUse);
}

std::filesystem::path xmlImportDialogStart(Database& store, const std::filesystem::path& inUse) {
    return existingPlace(store, Parameters::Text::exportPath, true).value_or(inUse.parent_path());
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
