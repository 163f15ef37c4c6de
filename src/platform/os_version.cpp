#include "platform/os_version.h"

#include <cstdlib>
#include <sstream>

namespace qmk {

OsVersion parseOsVersion(const std::string& text) {
    OsVersion version;
    std::istringstream in(text);
    std::string platform, number, kind;
    in >> platform >> number >> kind;
    version.nt = platform != "9x";
    const auto dot = number.find('.');
    version.major = std::atoi(number.substr(0, dot).c_str());
    version.minor = dot == std::string::npos ? 0 : std::atoi(number.substr(dot + 1).c_str());
    version.server = kind == "server";
    return version;
}

OsVersion currentOsVersion() {
    if (const char* text = std::getenv("QUILLMARK10_OS_VERSION"); text && *text)
        return parseOsVersion(text);
    return systemOsVersion();
}

std::string osVersionName(const OsVersion& v) {
    std::string code;
    if (v.nt) {
        if (v.major == 5)
            code = v.minor == 0 ? "Win2K" : "WinXP";
        else if (v.major == 6)
            code = v.minor == 0 ? "Vista" : "Windows 7";
        else
            code = "WinNT";
    } else if (v.major == 4) {
        code = "Win9x";
    }
    // The extended query: server editions.
    if (code.empty() && v.server && v.major >= 5) {
        if (v.minor == 2)
            code = "Win.NET";
        else if (v.minor == 1)
            code = "WinXP";
        else if (v.minor == 0)
            code = "Win2K";
    }
    return code;
}

} // namespace qmk
