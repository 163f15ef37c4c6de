#include "session/merge.h"

#include "common/file_lock.h"
#include "common/file_time.h"
#include "common/utf8_path.h"
#include "format/layout.h"
#include "platform/process.h"
#include "writer/guarded_write.h"

#include <ctime>
#include <fstream>

namespace qmk {

namespace {

std::string hhnnss(const FileTime& time) {
    const auto parts = localParts(time);
    char text[8];
    std::strftime(text, sizeof text, "%H%M%S", &parts);
    return text;
}

bool writeLanguage(const std::filesystem::path& file, std::uint8_t code) {
    std::fstream io(file, std::ios::in | std::ios::out | std::ios::binary);
    if (!io)
        return false;
    io.seekp(static_cast<std::streamoff>(layout::kLanguageOffset));
    io.put(static_cast<char>(code));
    return static_cast<bool>(io);
}

} // namespace

std::optional<std::uint8_t> languageOfLcid(std::uint32_t lcid) {
    switch (lcid) {
    case 1031:
        return 7;
    case 1033:
    case 2057:
    case 3081:
    case 61449:
        return 9;
    case 1034:
        return 10;
    case 1036:
        return 12;
    case 1043:
        return 19;
    default:
        return std::nullopt;
    }
}

Task<MergeOutcome> mergeThroughTool(std::filesystem::path tool, std::filesystem::path target,
                                    std::filesystem::path source, std::uint8_t languageCode,
                                    Trace& trace, MessageLoop& loop, MergeWait wait) {
    const auto failed = [&] {
        return MergeOutcome(Outcome::failed("Unable to update above file", utf8Of(target)));
    };
    if (std::error_code ec; !std::filesystem::is_regular_file(source, ec)) {
        MergeOutcome missing = Outcome::failed("File does not exist", utf8Of(source));
        missing.sourceMissing = true;
        co_return missing;
    }
    // Dragon's tool is handed only a target it may write: what it would fail on is said first.
    if (const auto refusal = writeRefusal(WriteTarget::edited(target)))
        co_return Outcome::failed(*refusal, utf8Of(target));
    if (const auto links = hardLinkCount(target); links > 1)
        co_return Outcome::failed(hardLinksRefusal(links), utf8Of(target));
    // The tool takes the lock itself: taken and given back here, it waits out another program
    // changing the file, and tells whether the folder can be written to.
    if (std::string whyNot; !CommandFileLock::acquire(target, std::chrono::seconds(20), &whyNot))
        co_return Outcome::failed(whyNot, utf8Of(target));
    if (!writeLanguage(source, languageCode))
        co_return failed();
    const auto before = modificationTime(target).value_or(FileTime{});
    const auto noted = hhnnss(before);
    trace.mark("file time: ", noted,
               "\r\n" + utf8Of(tool) + " \"" + utf8Of(target) + "\" \"" + utf8Of(source) + "\"");
    // The tool's write must fall in another second than the time noted, or it could not be seen.
    while (hhnnss(now()) == noted) {
        co_await pause(loop, std::chrono::milliseconds(100));
        trace.mark("waiting for time change");
    }
    auto process = HiddenProcess::run({utf8Of(tool), utf8Of(target), utf8Of(source)});
    if (!process)
        co_return failed();
    bool changed = false;
    for (int counter = 0;;) {
        co_await pause(loop, wait.interval);
        // Ended is read first: a tool that ended without touching the target will not touch it.
        const bool ended = !process->running();
        changed = modificationTime(target).value_or(FileTime{}) != before;
        if (changed || ended)
            break;
        trace.mark("counter= ", std::to_string(++counter));
        if (counter > wait.polls)
            break;
    }
    if (!changed)
        co_return failed();
    trace.mark("after fast save", hhnnss(modificationTime(target).value_or(FileTime{})),
               hhnnss(now()));
    co_await pause(loop, std::chrono::milliseconds(200));
    co_return Outcome::success("Update processed, User ready", "");
}

} // namespace qmk
