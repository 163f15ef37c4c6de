#pragma once

#include <string>
#include <vector>

namespace qmk {

// Every message box, question and input prompt of the program goes through this seam, so the
// logic runs headless with scripted answers and the GUI shows real dialogs.
class Prompt {
public:
    enum class Buttons { OkCancel, YesNo };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Prompt() = default;
    // A modal message box with an OK button.
    virtual void message(const std::string& text, const std::string& title) = 0;
    // A question; OK and Yes go on, Cancel and No stop.
    virtual Answer ask(const std::string& text, const std::string& title, Buttons buttons) = 0;

    // A choice among several buttons (captions with their "&" accelerators); returns the index
    // of the button chosen.
    virtual std::size_t choose(const std::string& text, const std::string& title,
                               const std::vector<std::string>& buttons) = 0;

    static bool goesOn(Answer answer) { return answer == Answer::Ok || answer == Answer::Yes; }
};

} // namespace qmk
