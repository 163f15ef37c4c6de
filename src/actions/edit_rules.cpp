#include "actions/edit_rules.h"

#include "common/file_io.h"
#include "common/text.h"
#include "format/image_reader.h"
#include "format/keynames.h"
#include "format/record.h"
#include "store/user_rows.h"
#include "writer/list_names.h"
#include "writer/update_engine.h"

#include <algorithm>
#include <unordered_set>

namespace qmk {

namespace {
constexpr std::string_view kListNameCharacters = "abcdefghijklmnopqrstuvwxyz0123456789_-.";

// A name's own rules (the code page, the width, no control character, not blanks alone), said
// where the name is given rather than when it is written.
std::optional<Outcome> nameRefusal(const std::string& name, const char* title) {
    if (const auto encoded = encodeName(name); encoded.refusal)
        return Outcome::refused(encoded.refusal->message, title);
    return std::nullopt;
}

} // namespace

std::optional<Outcome> checkNewCommandName(Database& store, const std::string& program,
                                           const std::string& scope, const std::string& name) {
    if (name.empty())
        return Outcome::refused("A command needs a name", "New Command");
    if (auto refusal = nameRefusal(name, "New Command"))
        return refusal;
    if (findRow(store, program, scope, name))
        return Outcome::refused("Command already exists", "New Command");
    // A command can only refer to LISTs that exist here or under Global Commands.
    for (const auto& list : listNamesIn(name)) {
        const auto here = findRow(store, program, scope, list);
        const auto global =
            findRow(store, std::string(kGlobalCommands), std::string(kGlobalCommands), list);
        if (!(here && here->type == ItemType::List) && !(global && global->type == ItemType::List))
            return Outcome::refused("Sorry, must create any new LISTs first", list);
    }
    return std::nullopt;
}

std::optional<Outcome> checkNewListName(Database& store, const std::string& name) {
    if (name.empty())
        return Outcome::refused("A LIST needs a name", "New LIST");
    if (name.find_first_not_of(kListNameCharacters) != std::string::npos)
        return Outcome::refused("Only numbers, letters and _-. are allowed by Dragon in LIST names",
                                "New LIST");
    if (auto refusal = nameRefusal(name, "New LIST"))
        return refusal;
    const std::string global(kGlobalCommands);
    if (findRow(store, global, global, name))
        return Outcome::refused("Command or LIST already exists", "New LIST");
    return std::nullopt;
}

std::optional<Outcome> checkRename(Database& store, const UserRow& row,
                                   const std::string& newName) {
    if (newName.empty())
        return Outcome::refused("A new name is needed", "Renaming");
    if (auto refusal = nameRefusal(newName, "Renaming"))
        return refusal;
    if (findRow(store, row.program, row.scope, newName))
        return Outcome::refused(quotedText(newName) + " already exists", "Must delete first");
    if (row.type == ItemType::List &&
        newName.find_first_not_of(kListNameCharacters) != std::string::npos)
        return Outcome::refused("Only numbers, letters and _-. are allowed by Dragon in LIST names",
                                "Renaming");
    return std::nullopt;
}

bool englishLanguage(std::string_view languageName) {
    return languageName == "English";
}

std::string normaliseLineEnds(std::string body, ItemType type) {
    if (type == ItemType::PlainText || type == ItemType::Keys)
        return body;
    if (body.find(kCrLf) == std::string::npos)
        body += kCrLf;
    while (body.ends_with("\r\n\r\n"))
        body.resize(body.size() - 2);
    if (!body.ends_with(kCrLf))
        body += kCrLf;
    return body;
}

bool copyIdentification(const std::filesystem::path& commandFile, layout::Generation generation,
                        const UserRow& model, NewCommand& command) {
    const auto image = readWholeFile(commandFile);
    if (!image)
        return false;
    try {
        ImageReader in(*image, static_cast<std::uint32_t>(model.offset));
        const auto record = readCommandRecord(in, generation, KeyNames{});
        command.programName = record.program;
        command.programDescription = record.programDescription;
        command.companyName = record.companyName;
        command.windowClass = record.windowClass;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::vector<std::string> commandsUsingList(Database& store, const std::string& listName) {
    // LIKE ignores case as the name matching of the file's own tools does; "_" must be literal.
    std::string pattern = "%<";
    for (const char c : listName) {
        if (c == '%' || c == '_' || c == '\\')
            pattern += '\\';
        pattern += c;
    }
    return places::namesLike(store, pattern + ">%");
}

std::string listInUseQuestion(const std::vector<std::string>& users, std::string_view word) {
    const std::string crlf(kCrLf);
    std::string text = "There are " + std::to_string(users.size()) +
                       " commands using this LIST including:" + crlf + crlf;
    for (std::size_t i = 0; i < users.size() && i < 5; ++i)
        text += users[i] + crlf;
    return text + crlf + "NaturallySpeaking and Command Browser will no longer hear/see these " +
           "commands." + crlf + "Are you sure you want to " + std::string(word) + " this LIST?";
}

} // namespace qmk

namespace qmk {

std::vector<std::string> listsGoingWith(Database& store, const Selection& rows) {
    std::unordered_set<std::string> named;
    for (const auto& name : places::commandNamesOutside(store, rows))
        for (auto& list : listNamesIn(name, kListsKeptPerName))
            named.insert(std::move(list));
    std::vector<std::string> going;
    for (const auto& list : places::globalListHeadings(store))
        if (!named.contains(list.name))
            going.push_back(list.name);
    return going;
}

std::string listsGoingNote(const std::vector<std::string>& lists, std::string_view it) {
    if (lists.empty())
        return "";
    // At most twenty names, then how many more.
    const auto names = namesInSentence(lists, 20);
    const bool one = lists.size() == 1;
    return std::string(one ? "The LIST " : "The LISTs ") + names +
           ", which no other command uses, " + (one ? "is" : "are") + " deleted with " +
           std::string(it) + ".";
}

} // namespace qmk
