#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qmk {

// A DVC key string as an Advanced Script where plain text and the keys SendKeys can express
// become SendKeys statements and the rest SendDragonKeys statements; nullopt when the string
// cannot be cut into text runs and braced keys (a lone "{").
std::optional<std::string> keysToSendKeysScript(std::string_view keys);

// The whole key string as one SendDragonKeys statement, quotation marks doubled.
std::string keysToSendDragonKeysScript(std::string_view keys);

} // namespace qmk
