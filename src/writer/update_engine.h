#pragma once

#include "common/file_io.h"
#include "common/file_time.h"
#include "common/outcome.h"
#include "common/program_dir.h"
#include "common/trace.h"
#include "format/layout.h"
#include "store/database.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmk {

namespace files {
inline constexpr const char* kTemporary = "mycmds.Quillmark";
inline constexpr const char* kBackup = "savedat";
inline constexpr const char* kBackupSource = "savedat.source"; // which file "savedat" holds
inline constexpr const char* kNewCommand = "command.new";
} // namespace files

// "savedat" keeps a command file as it was before a write, so that a write whose result does not
// parse can be undone. It is only ever put back over the file it was taken from.
void keepBackup(FileOps& files, const ProgramDir& home, const std::filesystem::path& takenFrom,
                std::string_view bytes);
// The bytes "savedat" holds when they were taken from `file`, else nothing.
std::optional<std::string> backupOf(const ProgramDir& home, const std::filesystem::path& file);

// A writer reports an Outcome: done (`Outcome{}`, nothing to say), or refused with a message and
// its title, having written nothing. A write that failed on its way left the file as it was.
Outcome notWritten(const FileError& error);
// The file is no longer the one the store describes.
Outcome staleStore(std::string title = "Quillmark10");

struct EngineContext {
    ProgramDir home;
    Database& store;
    Trace& trace;
    FileOps& files;
    std::filesystem::path commandFile;
    // How long a write waits for another program's write to the same file to end.
    std::chrono::milliseconds lockWait{5000};
};

// The machinery every writer shares: the working image of the command file, the new content
// built from its head, new bytes and its tail, the commit that keeps a backup and replaces the
// file atomically, and the shift of the store's positions that follows.
class UpdateEngine {
public:
    explicit UpdateEngine(EngineContext context) : ctx_(std::move(context)) {}

    // Reads the command file whole; false when it cannot be read. Every operation starts here,
    // so each one works on the file the previous one committed.
    bool load();
    std::string_view image() const { return image_; }
    layout::Generation generation() const { return generation_; }
    const EngineContext& context() const { return ctx_; }

    // The new content: positions 1..cut of the file, then what the operation writes.
    void prepareRewrite(std::uint32_t cut);
    void copyTail(std::uint32_t start);
    std::string& output() { return out_; }
    void writeCount(std::uint32_t count);
    void writeString(std::string_view cp1252);
    void writeLong(std::uint32_t value);
    void writeByte(std::uint8_t value);
    std::uint32_t readLongAt(std::uint32_t position) const; // from the new content
    void writeLongAt(std::uint32_t position, std::uint32_t value);

    // Writes the temporary file, traces the marker, copies the file to the backup and replaces
    // the file with the new content, holding the file's lock: a file that another program is
    // writing, or wrote since load(), is left as it is. Throws FileError; the command file is
    // then unchanged.
    void commitRewrite(const std::string& marker);
    // The same, its failure as the result.
    Outcome commit(const std::string& marker);

    // Moves every stored position after `from` (or at it, when `inclusive`) by `delta`, in one
    // transaction of single UPDATE statements. LIST copies are not records of the file; LIST rows
    // keep `offsetbody` 0.
    void shiftStore(std::uint32_t from, std::int64_t delta, bool inclusive = false);
    // Many such moves at once, in one pass over the rows: each position moves by the deltas of
    // the shifts before it.
    struct Shift {
        std::uint32_t from;
        std::int64_t delta;
    };
    void shiftStore(const std::vector<Shift>& shifts);
    // Sets a row's `offsetbody` from the record at its `offset` in the committed content.
    void refreshBodyPosition(std::int64_t id, std::uint32_t offset);
    std::int64_t storedOffsetLists();

private:
    // The file as load() found it, to see under the lock that nobody wrote it since.
    struct Stamp {
        std::optional<FileTime> modified;
        std::uintmax_t size = 0;
        friend bool operator==(const Stamp&, const Stamp&) = default;
    };
    Stamp stampOfFile() const;

    EngineContext ctx_;
    Stamp loaded_;
    std::string image_;
    std::string out_;
    layout::Generation generation_ = layout::Generation::Unknown;
};

// Texts on their way into the file: Windows-1252 bytes, or the reason they cannot be.
struct EncodedText {
    std::string bytes;
    std::optional<Outcome> refusal;
};
// `what` names the text in the refusal ("The name", "The body"); `width` is the store's limit.
EncodedText encodeForFile(std::string_view utf8, std::string_view what,
                          std::size_t width = kLargestImage);
// A command or LIST name: readers take a byte below 32 in a name for damage, so none is written,
// nor any other control character, nor a name of blanks alone.
EncodedText encodeName(std::string_view utf8);
// Any other text of a record (a description, a Group, a Program, a Scope, LIST items): no
// control character but tabs, which neither Dragon's lists nor the XML of later Dragon versions
// can carry. Only `lines` (LIST items, one a line) may hold CR LF line breaks.
EncodedText encodeText(std::string_view utf8, std::string_view what,
                       std::size_t width = kLargestImage, bool lines = false);

} // namespace qmk
