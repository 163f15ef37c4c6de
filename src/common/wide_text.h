#pragma once

#include <string>
#include <string_view>

// UTF-8 to and from the UTF-16 of the Windows API.
namespace qmk::wide {

std::wstring fromUtf8(std::string_view text);
std::string toUtf8(std::wstring_view text);
// The system's text for the calling thread's last error.
std::string lastErrorText();

} // namespace qmk::wide
