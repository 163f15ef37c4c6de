#pragma once

#include <string>
#include <utility>

namespace qmk {

// The system's message and its title: what a result of the core says to the user, shown as a
// message box by the window and as a line by qmk10. Every result type of the core is one, with a
// code of its own beside it (`ok`, a parse status, an outcome's code).
struct SystemMessage {
    std::string message;
    std::string title;
};

} // namespace qmk
