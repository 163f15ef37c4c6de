#pragma once

#include <string>

namespace qmk {

// Every message box, question and input prompt of the program goes through this seam, so the
// logic runs headless with scripted answers and the GUI shows real dialogs.
class Prompt {
  public:
    virtual ~Prompt() = default;
    // A modal message box with an OK button.
    virtual void message(const std::string& text, const std::string& title) = 0;
};

} // namespace qmk
