#pragma once

#include "common/file_io.h"
#include "common/program_dir.h"
#include "common/prompt.h"
#include "common/status_sink.h"
#include "common/outcome.h"
#include "common/trace.h"
#include "format/file_properties.h"
#include "store/database.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qmk {

enum class ParseStatus {
    Parsed,             // the file was read whole into the store
    Current,            // the store already held this file unchanged
    Damaged,            // stopped at damage; error.log written, rows before it kept
    CommandFileMissing, // "Required NatSpeak file missing--cannot continue"
    KeyNamesMissing,    // "Required file 'keynames' missing"
    CannotOpen,         // still locked or unreadable after the retries
    NotACommandFile,    // a folder, pipe, device, link loop, an oversized file or unknown format
    StoreFailed,        // the store itself failed; nothing changed
    StoreDamaged,       // the store's file is damaged: it must be replaced and the file parsed
};

// A parse's outcome: done when the store holds the file; for a failure the system's message
// says why, and `status` tells the failures apart for the start-up and qmk10 to act on.
struct ParseResult : Outcome {
    ParseResult(ParseStatus parsed = ParseStatus::Parsed, std::string text = {},
                std::string caption = {})
        : status(parsed) {
        message = std::move(text);
        title = std::move(caption);
        fileChanged = false;
        code = ok() ? Code::Done : Code::Failed;
    }

    ParseStatus status;
    bool ok() const { return status == ParseStatus::Parsed || status == ParseStatus::Current; }
};

struct ParseContext {
    ProgramDir home;
    Database& store;
    Trace& trace;
    StatusSink& status;
    Prompt& prompt;
    // Where the current user's mycmds.dat lies; used when Parse is given no file name.
    std::filesystem::path currentUserDirectory;
    int openAttempts = 20;
    std::chrono::milliseconds retryWait{500};
    // How the file's first bytes are read; tests stand in a file that another program holds.
    std::function<std::optional<std::string>(const std::filesystem::path&, std::uint64_t)>
        readStart = readFileStart;
};

inline constexpr const char* kCommandFileName = "mycmds.dat";

// Brings the command store up to date with one command file. One instance lives as long as the
// program: it keeps the file properties and the count of skip messages shown.
class Parser {
public:
    explicit Parser(ParseContext context) : ctx_(std::move(context)) {}

    ParseResult parse(bool force, const std::string& fileName);
    // Rebuilds the store from a file image already read (the fuzz target's entry as well).
    ParseResult parseImage(std::string_view image, const std::filesystem::path& file);

    bool success() const { return success_; }
    // After a parse stopped at damage: where it starts, and where the details are written.
    const std::string& damage() const { return damage_; }
    const FileProperties& properties() const { return properties_; }
    const std::filesystem::path& commandFile() const { return file_; }
    std::uint32_t commandCount() const { return commandCount_; }
    std::uint32_t notLoadedCount() const { return notLoaded_; }
    std::uint32_t listCount() const { return listCount_; }
    int skipMessagesShown() const { return skipMessages_; }

private:
    class Run;
    friend class Run;

    bool storeIsCurrent();
    std::optional<std::string> readWithRetries(std::uint64_t count);

    ParseContext ctx_;
    std::string damage_;
    FileProperties properties_;
    std::filesystem::path file_;
    bool success_ = false;
    std::uint32_t commandCount_ = 0;
    std::uint32_t listCount_ = 0;
    std::uint32_t notLoaded_ = 0;
    int skipMessages_ = 0;
};

// "N /M": the count label's text.
std::string countLabel(std::int64_t commands, std::int64_t lists);

} // namespace qmk
