#include "platform/single_instance.h"

#include <functional>
#include <windows.h>

namespace qmk {

// A named mutex in the session's namespace, named after the lock file, so that two programs
// agree on it without the file; the system releases it with the process.
std::unique_ptr<SingleInstance> SingleInstance::acquire(const std::filesystem::path& lockFile) {
    std::error_code ec;
    auto absolute = std::filesystem::absolute(lockFile, ec);
    // Windows names a file without regard to case.
    auto key = ec ? lockFile.wstring() : absolute.wstring();
    CharLowerBuffW(key.data(), static_cast<DWORD>(key.size()));
    const auto name = L"Local\\Quillmark10-" + std::to_wstring(std::hash<std::wstring>{}(key));
    const HANDLE mutex = CreateMutexW(nullptr, TRUE, name.c_str());
    if (!mutex)
        return nullptr;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return nullptr;
    }
    return std::unique_ptr<SingleInstance>(
        new SingleInstance(reinterpret_cast<std::intptr_t>(mutex)));
}

SingleInstance::~SingleInstance() {
    const auto mutex = reinterpret_cast<HANDLE>(handle_);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

} // namespace qmk
