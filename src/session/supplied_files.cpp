#include "session/supplied_files.h"

#include "common/text.h"
#include "format/image_reader.h"
#include "format/image_writer.h"
#include "format/layout.h"
#include "writer/new_records.h"
#include "writer/record_walker.h"

#include <variant>

namespace qmk {

namespace {

constexpr std::uint8_t kVersion10 = 7;
constexpr std::uint8_t kEnglish = 9;

// A 10.x English command file of the given records and no LIST.
std::string commandFile(const std::vector<std::string>& records) {
    std::string file = rebuiltHeader(kVersion10, kEnglish);
    std::string count;
    appendU32(count, static_cast<std::uint32_t>(records.size()));
    file.replace(layout::kCommandCountPosition - 1, 4, count);
    for (const auto& record : records)
        file += record;
    appendU32(file, 0);
    return file;
}

std::string launchCommand(const std::string& name, const std::string& description,
                          const std::string& script) {
    NewCommand command;
    command.type = ItemType::AdvancedScript;
    command.name = name;
    command.description = description;
    command.group = "Quillmark";
    command.program = command.scope = std::string(kGlobalCommands);
    command.body = script;
    return std::get<std::string>(encodeNewCommand(command, layout::Generation::V10));
}

} // namespace

std::string placerFile() {
    return commandFile({});
}

std::string launchCommandsFile() {
    return commandFile({
        launchCommand("global quillmark", "Starts Quillmark10 on the Global Commands",
                      "Sub Main\r\n    ' qmk9 launch command\r\n"
                      "    Shell \"quillmark10 global commands\"\r\nEnd Sub\r\n"),
        launchCommand("local quillmark", "Starts Quillmark10 on the program in front",
                      "Sub Main\r\n    ' qmk9 launch command\r\n    Shell \"quillmark10\"\r\n"
                      "End Sub\r\n"),
    });
}

} // namespace qmk
