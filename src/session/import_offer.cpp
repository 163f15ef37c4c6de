#include "session/import_offer.h"

#include "common/codepage.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "format/layout.h"
#include "session/merge.h"
#include "session/supplied_files.h"
#include "store/places.h"
#include "writer/rebuilds.h"

#include <filesystem>
#include <fstream>

namespace qmk {

namespace {

const std::string kOffer =
    "Would you like for Quillmark10 to automagically import the supplied 'Qmk10Global.dat' file "
    "containing the 2 commands 'global quillmark' and 'local quillmark'?\r\n\r\n'global "
    "quillmark' brings up Quillmark10 viewing 'Global Commands'\r\n'local quillmark' brings up "
    "Quillmark10 viewing the current application's commands (if any)";

const std::string kLanguageNotice =
    "Quillmark10 will automagically convert the header of the supplied 'qmk10global.dat' file to "
    "the language of the current user (above) for Importing.\r\n\r\nYou may need to convert "
    "(rename) the actual commandname(s) in order for them to be recognized in your language.";

// The header's language byte, or nullopt when the file is too short to have one.
std::optional<std::uint8_t> headerLanguage(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(layout::kLanguageOffset));
    char byte = 0;
    if (!in.get(byte))
        return std::nullopt;
    return static_cast<std::uint8_t>(byte);
}

void setHeaderLanguage(const std::filesystem::path& file, std::uint8_t code) {
    std::fstream io(file, std::ios::in | std::ios::out | std::ios::binary);
    io.seekp(static_cast<std::streamoff>(layout::kLanguageOffset));
    io.put(static_cast<char>(code));
}

enum class Import { Merged, Declined, Failed };

// The supplied commands the user's file lacks, and those it holds that the user lets the
// supplied ones replace; nothing when the user keeps every one of them.
std::optional<std::string> commandsToImport(const std::string& supplied, Database& store,
                                            Prompt& prompt) {
    std::size_t offered = 0, kept = 0;
    const std::string global(kGlobalCommands);
    const auto chosen = withCommandsKept(supplied, [&](std::string_view name) {
        ++offered;
        const auto text = codepage::toUtf8(name);
        if (!places::findRow(store, global, global, text))
            return true;
        if (prompt.ask("The command '" + text +
                           "' already exists in your Global Commands.\r\n\r\nReplace it with "
                           "the supplied one?",
                       "For Voice initiation of Quillmark10",
                       Prompt::Buttons::YesNo) == Prompt::Answer::Yes)
            return true;
        ++kept;
        return false;
    });
    if (!chosen || kept == offered)
        return std::nullopt;
    return chosen;
}

// Merges the supplied file into the user's own file, shown in the window.
Task<Import> importLaunchCommands(Database& store, Prompt& prompt, DragonEngine& engine,
                                  const ProgramDir& home, SaveCycle& cycle) {
    const auto file = home.file(kLaunchCommandsFile);
    if (!std::filesystem::exists(file)) {
        prompt.message("cannot find above file, reinstall", utf8Of(file));
        co_return Import::Failed;
    }
    const auto speaker = languageOfLcid(engine.speakerLanguage()).value_or(0);
    if (headerLanguage(file) != speaker) {
        prompt.message(kLanguageNotice, engine.speaker());
        setHeaderLanguage(file, speaker);
    }
    const auto supplied = readWholeFile(file);
    const auto chosen = supplied ? commandsToImport(*supplied, store, prompt) : std::nullopt;
    if (supplied && !chosen)
        co_return Import::Declined;
    if (!supplied || *chosen == *supplied) {
        const bool merged = co_await cycle.merge(file);
        co_return merged ? Import::Merged : Import::Failed;
    }
    // Only the commands the user let in: merged from a file of their own.
    const auto some = home.file("qmk10global.chosen.dat");
    FileOps::system().writeScratch(some, *chosen);
    const bool merged = co_await cycle.merge(some);
    std::error_code ignored;
    std::filesystem::remove(some, ignored);
    co_return merged ? Import::Merged : Import::Failed;
}

} // namespace

bool launchCommandsPresent(Database& store) {
    const std::string global(kGlobalCommands);
    for (const auto& body : places::commandBodies(store, global, global, "global quillmark"))
        if (lower(body).find("qmk9") != std::string::npos)
            return true;
    return false;
}

Task<ImportOutcome> offerLaunchCommands(Database& store, const Settings& settings, Prompt& prompt,
                                        DragonEngine& engine, const ProgramDir& home,
                                        SaveCycle& cycle) {
    if (launchCommandsPresent(store) ||
        settingFlag(settings.read("dont show auto import", "False")))
        co_return ImportOutcome::NotOffered;
    const auto choice =
        prompt.chooseWithCheck(kOffer, "For Voice initiation of Quillmark10", {"&Import", "Cancel"},
                               "Do &Not Show This Window Again");
    // The merge's own result, not a flag left over from an earlier merge.
    auto imported = Import::Declined;
    if (choice.button == 0)
        imported = co_await importLaunchCommands(store, prompt, engine, home, cycle);
    if (choice.checked)
        settings.write("dont show auto import", "-1");
    if (imported == Import::Merged) {
        prompt.message("Commands imported successfully. You may now use the commands above to "
                       "bring up Quillmark10",
                       "'global quillmark' and 'local quillmark'");
        settings.write("dont show auto import", "-1");
        co_return ImportOutcome::Imported;
    }
    if (imported == Import::Declined)
        co_return ImportOutcome::Cancelled;
    prompt.message("Sorry, I could not import these commands after all", "Please inform Tarnwell");
    co_return ImportOutcome::NotImported;
}

} // namespace qmk
