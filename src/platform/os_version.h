#pragma once

#include <string>

namespace qmk {

// The operating system's version as Windows reports it; QUILLMARK10_OS_VERSION, when set, stands
// in for it, as "NT 6.1", "NT 5.2 server" or "9x 4.10". Without Windows the answer is Windows 7.
struct OsVersion {
    bool nt = true;
    int major = 6;
    int minor = 1;
    bool server = false;
};

OsVersion currentOsVersion();
OsVersion systemOsVersion(); // without the stand-in
OsVersion parseOsVersion(const std::string& text);

// The short code of an OS version: "Win2K", "WinXP", "Vista", "Windows 7", "WinNT", "Win9x",
// "Win.NET", or "" when none applies.
std::string osVersionName(const OsVersion& version);

} // namespace qmk
