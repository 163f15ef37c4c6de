#pragma once

#include "common/prompt.h"
#include "common/status_sink.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace qmk::cli {

// Message boxes become lines on the error stream: the title, then the text. Questions are asked
// on a terminal; `assumeYes` answers OK or Yes to all. Without a terminal and without it, a
// question throws Prompt::Unanswered.
class ConsolePrompt final : public Prompt {
public:
    explicit ConsolePrompt(std::ostream& err, std::istream* terminal = nullptr,
                           bool assumeYes = false)
        : err_(err), terminal_(terminal), assumeYes_(assumeYes) {}
    void message(const std::string& text, const std::string& title) override;
    Answer ask(const std::string& text, const std::string& title, Buttons buttons) override;
    std::size_t choose(const std::string& text, const std::string& title,
                       const std::vector<std::string>& buttons) override;
    // Every message shown, as its line reads: a command that answers in JSON says them there.
    const std::vector<std::string>& shown() const { return shown_; }

private:
    std::ostream& err_;
    std::vector<std::string> shown_;
    std::istream* terminal_;
    bool assumeYes_;
};

// The messages `prompt` showed, when it is the console's; none for another prompt.
std::vector<std::string> shownMessages(const Prompt& prompt);

// CR LF line ends as the console shows them.
std::string consoleText(const std::string& text);

} // namespace qmk::cli
