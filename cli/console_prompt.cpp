#include "console_prompt.h"

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
    if (!title.empty())
        err_ << title << ": ";
    err_ << consoleText(text) << '\n';
}

} // namespace qmk::cli
