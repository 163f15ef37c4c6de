#include "console_prompt.h"

#include <cstdlib>
#include <istream>
#include <ostream>

namespace qmk::cli {

std::string consoleText(const std::string& text) {
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        shown += text[i];
    }
    return shown;
}

void ConsolePrompt::message(const std::string& text, const std::string& title) {
    const auto line = (title.empty() ? std::string() : title + ": ") + consoleText(text);
    err_ << line << '\n';
    shown_.push_back(line);
}

} // namespace qmk::cli

namespace qmk::cli {

qmk::Prompt::Answer ConsolePrompt::ask(const std::string& text, const std::string& title,
                                       Buttons buttons) {
    const bool okCancel = buttons == Buttons::OkCancel;
    if (assumeYes_)
        return okCancel ? Answer::Ok : Answer::Yes;
    if (!terminal_)
        throw Unanswered{consoleText(text)};
    err_ << (title.empty() ? "" : title + ": ") << consoleText(text)
         << (okCancel ? " [ok/Cancel] " : " [yes/No] ") << std::flush;
    std::string reply;
    std::getline(*terminal_, reply);
    const bool yes = !reply.empty() &&
                     (reply[0] == 'y' || reply[0] == 'Y' || reply[0] == 'o' || reply[0] == 'O');
    if (okCancel)
        return yes ? Answer::Ok : Answer::Cancel;
    return yes ? Answer::Yes : Answer::No;
}

} // namespace qmk::cli

namespace qmk::cli {

std::size_t ConsolePrompt::choose(const std::string& text, const std::string& title,
                                  const std::vector<std::string>& buttons) {
    if (!terminal_)
        throw Unanswered{consoleText(text)};
    err_ << (title.empty() ? "" : title + ": ") << consoleText(text) << '\n';
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        std::string caption;
        for (const char c : buttons[i])
            if (c != '&')
                caption += c;
        err_ << "  " << i + 1 << ") " << caption << '\n';
    }
    err_ << "choose 1-" << buttons.size() << ": " << std::flush;
    std::string reply;
    std::getline(*terminal_, reply);
    const auto choice = static_cast<std::size_t>(std::atoi(reply.c_str()));
    // Anything else is the last button, which is always the one that stops.
    return choice >= 1 && choice <= buttons.size() ? choice - 1 : buttons.size() - 1;
}

std::vector<std::string> shownMessages(const Prompt& prompt) {
    const auto* console = dynamic_cast<const ConsolePrompt*>(&prompt);
    return console ? console->shown() : std::vector<std::string>{};
}

} // namespace qmk::cli
