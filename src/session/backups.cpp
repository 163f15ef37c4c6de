#include "session/backups.h"

#include "common/text.h"
#include "common/utf8_path.h"
#include "format/image_check.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace qmk {

namespace fs = std::filesystem;

namespace {

constexpr const char* kOwnFile = "/current/mycmds.dat";

} // namespace

std::optional<std::string> Backups::userOf(const fs::path& file) const {
    const std::string path = utf8Of(file);
    const std::string folded = comparablePath(path);
    const std::string base = comparablePath(userBase_) + "/";
    if (userBase_.empty() || !folded.starts_with(base) || !folded.ends_with(kOwnFile))
        return std::nullopt;
    const auto user = path.substr(base.size(), path.size() - base.size() - std::strlen(kOwnFile));
    if (user.empty() || comparablePath(user).find('/') != std::string::npos)
        return std::nullopt;
    return user;
}

fs::path Backups::archiveFolder(const std::string& user) const {
    return home_.file(user);
}

std::string Backups::archiveName(const FileTime& when) {
    const auto day = localParts(when);
    char name[32];
    std::snprintf(name, sizeof name, "mycmds.%02d%02d%04d", day.tm_mon + 1, day.tm_mday,
                  day.tm_year + 1900);
    return name;
}

std::optional<fs::path> Backups::archiveBeforeWrite(const fs::path& commandFile, bool force,
                                                    const FileTime& today) {
    const auto user = userOf(commandFile);
    if (!user)
        return std::nullopt;
    const auto folder = archiveFolder(*user);
    std::error_code ignored; // a folder that cannot be made fails the copy below, with its reason
    fs::create_directories(folder, ignored);
    const auto archive = folder / pathFromUtf8(archiveName(today));
    if (fs::exists(archive) && !force)
        return std::nullopt;
    try {
        files_.copyFile(commandFile, archive);
    } catch (const FileError& error) {
        // The edit that follows keeps its own backup; the day's archive is tried again next time.
        prompt_.message("The day's archive copy could not be written:" + std::string(kCrLf) +
                            error.what(),
                        utf8Of(archive));
        return std::nullopt;
    }
    if (force) {
        const std::string crlf(kCrLf);
        prompt_.message("User '" + *user + "'" + crlf + crlf + utf8Of(commandFile) + crlf + crlf +
                            "Backup taken successfully to above named file",
                        utf8Of(archive));
    }
    return archive;
}

std::vector<std::string> Backups::archivesOfThisMonth(const std::string& user,
                                                      const FileTime& today) const {
    const auto month = archiveName(today).substr(0, std::string("mycmds.").size() + 2);
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(archiveFolder(user), ec)) {
        const auto name = utf8Of(entry.path().filename());
        if (name.starts_with(month))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    if (names.empty())
        names.emplace_back(kNoneToRollback);
    return names;
}

bool Backups::restore(const std::string& user, const std::string& archive,
                      const fs::path& commandFile, const std::function<bool()>& readBack) {
    if (archive == kNoneToRollback)
        return false;
    const auto source = archiveFolder(user) / pathFromUtf8(archive);
    if (std::error_code ec; archive.size() < 8 || !fs::is_regular_file(source, ec)) {
        prompt_.message(archive + " is not an archive of user '" + user + "'",
                        utf8Of(archiveFolder(user)));
        return false;
    }
    const auto bytes = readWholeFile(source);
    const auto problem = bytes ? commandFileProblem(*bytes) : "it cannot be read";
    if (problem) {
        prompt_.notify(Prompt::Kind::Warning,
                       archive + " cannot be restored: " + *problem + ".\r\n" +
                           utf8Of(commandFile) + " was not changed.",
                       "The command file was not restored");
        return false;
    }
    const std::string crlf(kCrLf);
    const auto answer =
        prompt_.ask("Restore user '" + user + "'" + crlf + crlf + utf8Of(commandFile) + crlf +
                        crlf + "to version before first " + crlf + "Quillmark execution on: " +
                        archive.substr(archive.size() - 8) + " (mmddyyyy) ?",
                    "Restore from archived file?", Prompt::Buttons::OkCancel);
    if (!Prompt::goesOn(answer))
        return false;
    const auto before = archiveFolder(user) / kPreRollback;
    try {
        files_.copyFile(commandFile, before);
        files_.replaceFile(commandFile, *bytes);
    } catch (const FileError& error) {
        prompt_.message(error.what(), "The command file was not restored");
        return false;
    }
    if (readBack())
        return true;
    // The file from before the restore goes back, and is read again in its turn.
    try {
        const auto kept = readWholeFile(before);
        if (!kept)
            throw FileError(before, "cannot be read");
        files_.replaceFile(commandFile, *kept);
    } catch (const FileError& error) {
        prompt_.message(error.what(), "The command file could not be put back");
        return false;
    }
    readBack();
    prompt_.notify(Prompt::Kind::Error,
                   archive + " could not be read back after it was restored, so " +
                       utf8Of(commandFile) + " was put back as it was.",
                   "The command file was not restored");
    return false;
}

} // namespace qmk
