#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qmk {

// Every message box, question and input prompt of the program goes through this seam, so the
// logic runs headless with scripted answers and the GUI shows real dialogs.
class Prompt {
public:
    enum class Buttons { OkCancel, YesNo };
    enum class Answer { Ok, Cancel, Yes, No };
    // What a message tells: its box carries the icon of its kind.
    enum class Kind { Information, Warning, Error };

    // Thrown by a prompt that has no one to answer `question` (a console without a terminal).
    // Questions come before any write, so the operation stops with nothing changed; the run
    // that started it says which question needed an answer.
    struct Unanswered {
        std::string question;
    };

    virtual ~Prompt() = default;
    // A modal message box with an OK button.
    virtual void message(const std::string& text, const std::string& title) = 0;
    // The same, for a warning (a refusal: nothing was changed) or an error (something failed).
    // Prompts without icons show it as any message.
    virtual void notify(Kind kind, const std::string& text, const std::string& title) {
        (void)kind;
        message(text, title);
    }
    // A question; OK and Yes go on, Cancel and No stop.
    virtual Answer ask(const std::string& text, const std::string& title, Buttons buttons) = 0;

    // A choice among several buttons (captions with their "&" accelerators); returns the index
    // of the button chosen.
    virtual std::size_t choose(const std::string& text, const std::string& title,
                               const std::vector<std::string>& buttons) = 0;

    // A dialog with buttons and one check box ("Do &Not Show This Window Again"); returns the
    // button chosen and whether the box was ticked. Prompts without check boxes leave it clear.
    struct Choice {
        std::size_t button = 0;
        bool checked = false;
    };
    virtual Choice chooseWithCheck(const std::string& text, const std::string& title,
                                   const std::vector<std::string>& buttons,
                                   const std::string& checkCaption) {
        (void)checkCaption;
        return {choose(text, title, buttons), false};
    }

    // An input box with OK and Cancel; nullopt on Cancel. Prompts that cannot ask cancel.
    virtual std::optional<std::string> input(const std::string& text, const std::string& title,
                                             const std::string& defaultAnswer) {
        (void)text, (void)title, (void)defaultAnswer;
        return std::nullopt;
    }

    static bool goesOn(Answer answer) { return answer == Answer::Ok || answer == Answer::Yes; }
};

} // namespace qmk
