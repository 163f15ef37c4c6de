#pragma once

#include "common/text.h"
#include "session.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace qmk::cli {

// What the editing commands are given on the command line.
struct EditOptions {
    std::string program{kGlobalCommands};
    std::optional<std::string> scope;
    std::string name;
    std::optional<std::string> list; // --list NAME selects a LIST instead
    std::optional<std::string> body;
    std::optional<std::string> bodyFile; // "-" for standard input
    std::optional<std::string> newName;
    std::optional<std::string> description;
    std::optional<std::string> group;
    std::string to;
    std::string type;
    std::optional<std::string> like;
};

enum class EditCommand { SetBody, SetDetails, Rename, ToPlain, ToAdvanced, New, NewList };

// Runs one editing command on a parsed file; returns the exit status.
int runEdit(EditCommand command, const EditOptions& options, Session& session, std::ostream& out,
            std::istream& in);

// The Program as the store holds it: upper case, but for the global name.
std::string storedProgram(const std::string& program);

// keys2script: prints the script; false when the SendKeys form cannot convert.
int keysToScript(const std::string& keys, const std::string& form, std::ostream& out,
                 Prompt& prompt);

} // namespace qmk::cli
