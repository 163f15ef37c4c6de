#include "platform/voice_command.h"

#include "common/text.h"

#include <algorithm>
#include <sstream>

namespace qmk {

namespace {

// The statements of Dragon's legacy command language.
constexpr std::string_view kLegacyStatements[] = {
    "appbringup",     "appswapwith",    "beep",          "buttonclick",      "cleardesktop",
    "controlpick",    "ddeexecute",     "ddepoke",       "dragtopoint",      "gotosleep",
    "heardword",      "helpstring",     "menucancel",    "menupick",         "mousegrid",
    "msgboxconfirm",  "playsound",      "rememberpoint", "runscriptfile",    "sendkeys",
    "senddragonkeys", "sendsystemkeys", "setmicrophone", "setmouseposition", "shellexecute",
    "ttsplaystring",  "wait",           "waitforwindow", "winhelp"};

std::vector<std::string> words(std::string_view text) {
    std::vector<std::string> out;
    std::istringstream in{std::string(text)};
    for (std::string word; in >> word;)
        out.push_back(lower(word));
    return out;
}

std::vector<std::string> lines(std::string_view text) {
    std::vector<std::string> out;
    std::size_t from = 0;
    while (from <= text.size()) {
        auto end = text.find('\n', from);
        if (end == std::string_view::npos)
            end = text.size();
        std::string line(text.substr(from, end - from));
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out.push_back(std::move(line));
        from = end + 1;
    }
    return out;
}

// The value of a script expression of quoted texts and _arg1 joined by "&".
std::string evaluate(std::string_view expression, const std::string& argument) {
    std::string value;
    for (std::size_t at = 0; at < expression.size();) {
        const char c = expression[at];
        if (c == '"') {
            const auto close = expression.find('"', at + 1);
            value += expression.substr(at + 1, close - at - 1);
            at = close == std::string_view::npos ? expression.size() : close + 1;
        } else if (lower(std::string(expression.substr(at, 5))) == "_arg1") {
            value += argument;
            at += 5;
        } else {
            ++at; // blanks and "&"
        }
    }
    return value;
}

} // namespace

int checkLegacyScript(std::string_view script) {
    int number = 0;
    for (const auto& line : lines(script)) {
        ++number;
        const auto text = trimBlanks(line);
        if (text.empty() || text.front() == '\'' || text.front() == '\t')
            continue;
        const auto statement = lower(std::string(text.substr(0, text.find_first_of(" \t"))));
        const bool known =
            std::ranges::find(kLegacyStatements, statement) != std::end(kLegacyStatements) ||
            statement == "rem";
        if (!known || std::count(text.begin(), text.end(), '"') % 2 != 0)
            return number;
    }
    return 0;
}

int SimulatedVoiceCommand::createMenu(const std::string& name, const std::string& title, int,
                                      const std::string&, int) {
    const int number = static_cast<int>(menus_.size()) + 1;
    menus_[number] = {name, title, false, {}};
    return number;
}

void SimulatedVoiceCommand::addCommand(int menu, const VoiceMenuCommand& command) {
    menus_[menu].commands.push_back(command);
}

void SimulatedVoiceCommand::removeCommand(int menu, int identifier) {
    std::erase_if(menus_[menu].commands,
                  [&](const VoiceMenuCommand& c) { return c.identifier == identifier; });
}

void SimulatedVoiceCommand::replaceList(int, const std::string& list,
                                        const std::vector<std::string>& items) {
    lists_[lower(list)] = items;
}

void SimulatedVoiceCommand::activate(int menu, bool active) {
    menus_[menu].active = active;
}

bool SimulatedVoiceCommand::active(int menu) const {
    const auto found = menus_.find(menu);
    return found != menus_.end() && found->second.active;
}

std::vector<VoiceMenuCommand> SimulatedVoiceCommand::commands(int menu) const {
    const auto found = menus_.find(menu);
    return found == menus_.end() ? std::vector<VoiceMenuCommand>{} : found->second.commands;
}

std::vector<std::string> SimulatedVoiceCommand::list(const std::string& name) const {
    const auto found = lists_.find(lower(name));
    return found == lists_.end() ? std::vector<std::string>{} : found->second;
}

std::optional<std::string> SimulatedVoiceCommand::match(const std::string& spoken,
                                                        const std::string& heard) const {
    const auto form = words(spoken), said = words(heard);
    if (form.size() != said.size())
        return std::nullopt;
    std::string argument;
    for (std::size_t i = 0; i < form.size(); ++i) {
        if (form[i].size() > 2 && form[i].front() == '<' && form[i].back() == '>') {
            const auto items = list(form[i].substr(1, form[i].size() - 2));
            if (std::find_if(items.begin(), items.end(), [&](const std::string& item) {
                    return lower(item) == said[i];
                }) == items.end())
                return std::nullopt;
            argument = said[i];
        } else if (form[i] != said[i]) {
            return std::nullopt;
        }
    }
    return argument;
}

void SimulatedVoiceCommand::runScript(const std::string& script, const std::string& argument) {
    for (const auto& line : lines(script)) {
        const auto text = trimBlanks(line);
        if (lower(std::string(text.substr(0, 9))) == "sendkeys ")
            windows_.sendKeys(evaluate(text.substr(9), argument));
    }
}

bool SimulatedVoiceCommand::hear(const std::string& heard) {
    for (const auto& [number, menu] : menus_) {
        if (!menu.active)
            continue;
        for (const auto& command : menu.commands) {
            const auto argument = match(command.spoken, heard);
            if (!argument)
                continue;
            // Dragon runs a command's script itself, then tells the window what was heard.
            if (!command.script.empty())
                runScript(command.script, *argument);
            if (recognised_)
                recognised_(command.identifier, heard);
            return true;
        }
    }
    return false;
}

} // namespace qmk
