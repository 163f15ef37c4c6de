#include "common/wide_text.h"
#include "platform/process.h"

#include <windows.h>

namespace qmk {

namespace {

// One argument as the C runtime's parser reads it back: quoted when it holds a blank, a tab or a
// quote, with the backslashes before a quote doubled.
std::wstring quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring text = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        text.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        text += c;
    }
    text.append(backslashes * 2, L'\\');
    return text + L"\"";
}

HANDLE processOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace

std::optional<HiddenProcess> HiddenProcess::run(const std::vector<std::string>& arguments) {
    if (arguments.empty())
        return std::nullopt;
    std::wstring commandLine;
    for (const auto& argument : arguments)
        commandLine += (commandLine.empty() ? L"" : L" ") + quoted(wide::fromUtf8(argument));
    const auto program = wide::fromUtf8(arguments.front());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &started))
        return std::nullopt;
    CloseHandle(started.hThread);
    return HiddenProcess(reinterpret_cast<std::intptr_t>(started.hProcess));
}

HiddenProcess::HiddenProcess(HiddenProcess&& other) noexcept
    : handle_(other.handle_), ended_(other.ended_), status_(other.status_) {
    other.ended_ = true;
    other.handle_ = 0;
}

HiddenProcess::~HiddenProcess() {
    if (!ended_)
        wait();
    if (handle_)
        CloseHandle(processOf(handle_));
}

bool HiddenProcess::running() {
    if (ended_)
        return false;
    if (WaitForSingleObject(processOf(handle_), 0) == WAIT_TIMEOUT)
        return true;
    return wait(), false;
}

int HiddenProcess::wait() {
    if (!ended_) {
        WaitForSingleObject(processOf(handle_), INFINITE);
        DWORD code = 0;
        ended_ = true;
        status_ = GetExitCodeProcess(processOf(handle_), &code) ? static_cast<int>(code) : -1;
    }
    return status_;
}

} // namespace qmk
