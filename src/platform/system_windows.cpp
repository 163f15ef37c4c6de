#include "common/wide_text.h"
#include "platform/os_version.h"
#include "platform/special_folders.h"

#include <shlobj.h>
#include <windows.h>

namespace qmk {

std::string systemSpecialFolder(int folderId) {
    wchar_t path[MAX_PATH]{};
    if (SHGetFolderPathW(nullptr, folderId, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
        return {};
    return wide::toUtf8(path);
}

OsVersion systemOsVersion() {
    // RtlGetVersion tells the truth whatever the program's manifest declares; GetVersionEx
    // answers Windows 8 to a program that does not declare the later versions.
    OsVersion version;
    using GetVersion = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    const auto ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto get = ntdll ? reinterpret_cast<GetVersion>(
                                 reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                           : nullptr;
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!get || get(&info) != 0)
        return version;
    version.nt = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
    version.major = static_cast<int>(info.dwMajorVersion);
    version.minor = static_cast<int>(info.dwMinorVersion);
    version.server = info.wProductType != VER_NT_WORKSTATION;
    return version;
}

} // namespace qmk
