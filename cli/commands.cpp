#include "commands.h"

namespace qmk::cli {

Command& Commands::add(const std::string& name, const std::string& description) {
    auto& command = commands_.emplace_back();
    command.cli = app_.add_subcommand(name, description);
    return command;
}

Command& Commands::onFile(const std::string& name, const std::string& description) {
    auto& command = add(name, description);
    takesFile(command);
    return command;
}

void Commands::takesFile(Command& command) {
    command.cli->add_option("FILE", shared_.file,
                            "The command file (default: the current Dragon user's)");
    command.open = [this](CommandRun& session) {
        return session.parse(shared_.file, shared_.force);
    };
}

const Command* Commands::chosen() const {
    for (const auto& command : commands_)
        if (command.cli->parsed())
            return &command;
    return nullptr;
}

void Commands::addYes(CLI::App* command, const std::string& description) {
    command->add_flag("--yes", shared_.assumeYes, description);
}

} // namespace qmk::cli
