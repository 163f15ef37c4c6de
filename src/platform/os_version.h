#pragma once

#include <string>

namespace qmk {

// The operating system's version as Windows reports it. This machine has no Windows: the
// simulation answers Windows 7 unless QUILLMARK10_OS_VERSION says otherwise, as
// "NT 6.1", "NT 5.2 server" or "9x 4.10".
struct OsVersion {
    bool nt = true;
    int major = 6;
    int minor = 1;
    bool server = false;
};

OsVersion currentOsVersion();
OsVersion parseOsVersion(const std::string& text);

// The short code of an OS version: "Win2K", "WinXP", "Vista", "Windows 7", "WinNT", "Win9x",
// "Win.NET", or "" when none applies.
std::string osVersionName(const OsVersion& version);

} // namespace qmk
