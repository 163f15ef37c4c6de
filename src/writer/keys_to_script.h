#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qmk {

// Key strings and the scripts made of them are Windows-1252 text here, as the command file holds
// them: one byte is one character, so a SendKeys line is cut by characters.

// A DVC key string as an Advanced Script where plain text and the keys SendKeys can express
// become SendKeys statements and the rest SendDragonKeys statements; nullopt when the string
// cannot be cut into text runs and braced keys (a lone "{").
std::optional<std::string> keysToSendKeysScript(std::string_view keys);

// The whole key string as one SendDragonKeys statement, quotation marks doubled.
std::string keysToSendDragonKeysScript(std::string_view keys);

// The same for the program's UTF-8 texts, converted to the code page and back here and nowhere
// else; nullopt also for a character the code page lacks.
std::optional<std::string> sendKeysScriptOfText(std::string_view keys);
std::optional<std::string> sendDragonKeysScriptOfText(std::string_view keys);

} // namespace qmk
