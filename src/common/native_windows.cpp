#include "common/file_io.h"
#include "common/native.h"
#include "common/wide_text.h"

#include <windows.h>

namespace qmk {

namespace wide {

std::wstring fromUtf8(std::string_view text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, result.data(), length);
    return result;
}

std::string toUtf8(std::wstring_view text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, result.data(), length, nullptr, nullptr);
    return result;
}

std::string lastErrorText() {
    const DWORD code = GetLastError();
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length ? std::wstring(text, length) : std::wstring();
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.'))
        message.pop_back();
    return message.empty() ? "system error " + std::to_string(code) : toUtf8(message);
}

} // namespace wide

namespace native {

namespace {

// Another program holds the file open without letting others change it (a spreadsheet, an
// editor, a backup program): Windows' own words for it name neither the file nor a way out.
constexpr const char* kOpenElsewhere =
    "the file is open in another program, which keeps it from being changed: close it there, "
    "then try again";

bool openElsewhere(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool close() {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return CloseHandle(handle) != 0;
    }

private:
    HANDLE handle_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

} // namespace

void writeAll(const std::filesystem::path& file, std::string_view bytes, bool durable) {
    Handle handle(CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid())
        throw FileError(file, wide::lastErrorText());
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD wrote = 0;
        if (!WriteFile(handle.get(), bytes.data() + done, chunk, &wrote, nullptr))
            throw FileError(file, wide::lastErrorText());
        done += wrote;
    }
    if ((durable && !FlushFileBuffers(handle.get())) || !handle.close())
        throw FileError(file, wide::lastErrorText());
}

std::optional<std::string> readRegularFile(const std::filesystem::path& file, std::uint64_t count) {
    // A folder cannot be opened this way, and a device or pipe is not a disk file.
    Handle handle(CreateFileW(file.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid() || GetFileType(handle.get()) != FILE_TYPE_DISK)
        return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle.get(), &size) ||
        static_cast<std::uint64_t>(size.QuadPart) > kLargestImage)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(std::min<std::uint64_t>(
                          count, static_cast<std::uint64_t>(size.QuadPart))),
                      '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(handle.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                      &got, nullptr) ||
            got == 0)
            return std::nullopt;
        done += got;
    }
    return bytes;
}

void replaceWith(const std::filesystem::path& fresh, const std::filesystem::path& target) {
    // ReplaceFileW keeps the target's security and creation time on the new file; its
    // attributes are given to the new file first, since not every ReplaceFileW keeps them.
    if (const DWORD attributes = GetFileAttributesW(target.c_str());
        attributes != INVALID_FILE_ATTRIBUTES) {
        constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
        if (attributes & kKept)
            SetFileAttributesW(fresh.c_str(), attributes & kKept);
        if (ReplaceFileW(target.c_str(), fresh.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                         nullptr, nullptr))
            return;
        if (const auto error = GetLastError(); openElsewhere(error))
            throw FileError(target, kOpenElsewhere);
        // A file system without ReplaceFile semantics: a plain replacing rename.
    }
    if (!MoveFileExW(fresh.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw FileError(target, openElsewhere(GetLastError()) ? std::string(kOpenElsewhere)
                                                              : wide::lastErrorText());
}

TruncateStep truncateAt(const std::filesystem::path& file, std::uint64_t length) {
    Handle handle(CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid())
        return TruncateStep::Open;
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(length);
    if (!SetFilePointerEx(handle.get(), position, nullptr, FILE_BEGIN))
        return TruncateStep::Seek;
    if (!SetEndOfFile(handle.get()))
        return TruncateStep::SetEnd;
    return handle.close() ? TruncateStep::None : TruncateStep::Close;
}

FileLockHandle FileLockHandle::tryLock(const std::filesystem::path& file,
                                       std::error_code* cannotOpen) {
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        // A lock file being removed by its holder refuses to open for a moment: only a missing
        // folder is certain not to pass.
        const auto error = GetLastError();
        if (cannotOpen && error == ERROR_PATH_NOT_FOUND)
            *cannotOpen = std::error_code(static_cast<int>(error), std::system_category());
        return {};
    }
    OVERLAPPED whole{};
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                    MAXDWORD, &whole)) {
        CloseHandle(handle);
        return {};
    }
    return FileLockHandle(reinterpret_cast<std::intptr_t>(handle), file);
}

void FileLockHandle::release() {
    if (handle_ == -1)
        return;
    // Marked for removal while still held: nobody opens it again until it is gone.
    DeleteFileW(file_.c_str());
    CloseHandle(reinterpret_cast<HANDLE>(handle_)); // closing releases the lock
    handle_ = -1;
}

FileLockHandle& FileLockHandle::operator=(FileLockHandle&& other) noexcept {
    if (this != &other) {
        release();
        handle_ = other.handle_;
        file_ = std::move(other.file_);
        other.handle_ = -1;
    }
    return *this;
}

FileLockHandle::~FileLockHandle() {
    release();
}

// The C runtime behind std::filesystem counts every file as having one name.
std::uintmax_t linkCount(const std::filesystem::path& file) {
    Handle handle(CreateFileW(file.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!handle.valid() || !GetFileInformationByHandle(handle.get(), &information))
        return 1;
    return information.nNumberOfLinks;
}

std::tm localTime(std::time_t seconds) {
    std::tm parts{};
    localtime_s(&parts, &seconds);
    return parts;
}

std::optional<std::int64_t> modifiedNanoseconds(const std::filesystem::path& file) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    // 100-nanosecond ticks since 1601-01-01.
    const auto ticks = (static_cast<std::int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                       data.ftLastWriteTime.dwLowDateTime;
    constexpr std::int64_t kTicksFrom1601To1970 = 116444736000000000;
    return (ticks - kTicksFrom1601To1970) * 100;
}

std::filesystem::path runningProgram() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0)
            return {};
        if (length < name.size())
            return std::filesystem::path(name.substr(0, length));
        name.resize(name.size() * 2);
    }
}

unsigned long processId() {
    return GetCurrentProcessId();
}

bool inputIsTerminal() {
    // _isatty says yes to any character device, NUL among them; only a console has a mode.
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

} // namespace native
} // namespace qmk
