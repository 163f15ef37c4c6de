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

// A file the child inherits as a standard stream; null when none was asked for,
// INVALID_HANDLE_VALUE when it cannot be made.
HANDLE inheritableFile(const std::filesystem::path& file) {
    if (file.empty())
        return nullptr;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE handle =
        CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle;
}

HANDLE processOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace

std::optional<HiddenProcess> HiddenProcess::run(const std::vector<std::string>& arguments,
                                                const Output& output) {
    if (arguments.empty())
        return std::nullopt;
    std::wstring commandLine;
    for (const auto& argument : arguments)
        commandLine += (commandLine.empty() ? L"" : L" ") + quoted(wide::fromUtf8(argument));
    const auto program = wide::fromUtf8(arguments.front());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    const HANDLE out = inheritableFile(output.out);
    const HANDLE err = inheritableFile(output.err);
    const bool redirected = out || err;
    const bool outputReady = out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE;
    if (redirected) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = out ? out : GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = err ? err : GetStdHandle(STD_ERROR_HANDLE);
    }
    PROCESS_INFORMATION started{};
    const bool created =
        outputReady && CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr,
                                      redirected ? TRUE : FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                                      &startup, &started);
    for (const HANDLE file : {out, err})
        if (file && file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    if (!created)
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
