#pragma once

#include "common/prompt.h"
#include "common/system_message.h"

#include <string>

namespace qmk {

// Said when the command file changed behind the store (Dragon's Command Browser wrote it): the
// file is read again and the operation must be chosen again.
inline constexpr const char* kChangedBehindUs =
    "You have modified this file (most likely with Command Browser) after \r\nthis operation "
    "has started. You must restart the operation,\r\notherwise a corrupted file may result";

// What one user operation came to: a code, the system's message and its title. The front end
// shows the message (a message box in the window, a line from qmk10); questions were already
// asked through the prompt.
struct Outcome : SystemMessage {
    enum class Code {
        Done,      // the operation ran; `message` reports it
        Refused,   // a check stopped it; nothing was written
        Cancelled, // the user said no to a question; nothing was written
        Failed,    // the write itself failed; the command file is as it was
        Stale,     // the file changed behind the store: it is read again, the operation restarts
    };
    Code code = Code::Done;
    bool fileChanged = false; // the command file was written: Dragon and the store must follow

    std::string followUp; // a second message, shown after `message`

    bool done() const { return code == Code::Done; }
    // The icon its message carries: a refusal warns, a failure is an error.
    Prompt::Kind kind() const {
        return code == Code::Refused                         ? Prompt::Kind::Warning
               : code == Code::Failed || code == Code::Stale ? Prompt::Kind::Error
                                                             : Prompt::Kind::Information;
    }

    static Outcome success(std::string message, std::string title, bool fileChanged = true) {
        Outcome o;
        o.message = std::move(message);
        o.title = std::move(title);
        o.fileChanged = fileChanged;
        return o;
    }
    static Outcome refused(std::string message, std::string title = "Quillmark10") {
        Outcome o;
        o.code = Code::Refused;
        o.message = std::move(message);
        o.title = std::move(title);
        return o;
    }
    static Outcome failed(std::string message, std::string title) {
        auto o = refused(std::move(message), std::move(title));
        o.code = Code::Failed;
        return o;
    }
    static Outcome cancelled() {
        Outcome o;
        o.code = Code::Cancelled;
        return o;
    }
};

} // namespace qmk
