#include "loader/parser.h"

#include "common/file_io.h"
#include "common/utf8_path.h"
#include "loader/parse_run.h"
#include "store/schema.h"
#include "store/statements.h"

#include <thread>

namespace qmk {

namespace {

std::string normalizedPath(const std::filesystem::path& file) {
    return utf8Of(std::filesystem::absolute(file).lexically_normal());
}

// Only a regular file of a readable size is opened: a pipe would block the read for ever, and a
// folder or device would be retried in vain.
std::optional<ParseResult> notACommandFile(const std::filesystem::path& file) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const auto kind = fs::status(file, ec);
    const auto refuse = [&](const std::string& why) {
        return ParseResult{ParseStatus::NotACommandFile, "This is not a command file: " + why,
                           utf8Of(file)};
    };
    if (ec && ec != std::errc::no_such_file_or_directory)
        return refuse("it cannot be reached (" + ec.message() + ")");
    if (!fs::exists(kind))
        return ParseResult{ParseStatus::CommandFileMissing,
                           "Required NatSpeak file missing--cannot continue", utf8Of(file)};
    if (fs::is_directory(kind))
        return refuse("it is a folder");
    if (fs::is_fifo(kind) || fs::is_socket(kind))
        return refuse("it is a pipe");
    if (fs::is_block_file(kind) || fs::is_character_file(kind))
        return refuse("it is a device");
    if (!fs::is_regular_file(kind))
        return refuse("it is not a regular file");
    if (const auto size = fs::file_size(file, ec); !ec && size > kLargestImage)
        return refuse("at " + std::to_string(size) + " bytes it is larger than any command file");
    return std::nullopt;
}

} // namespace

std::string countLabel(std::int64_t commands, std::int64_t lists) {
    return std::to_string(commands) + " /" + std::to_string(lists);
}

ParseResult Parser::parse(bool force, const std::string& fileName) {
    file_ =
        fileName.empty() ? ctx_.currentUserDirectory / kCommandFileName : pathFromUtf8(fileName);
    if (auto refusal = notACommandFile(file_))
        return *refusal;

    // An unchanged file is known by its header and time alone: the rest is read only to parse it.
    auto header = readWithRetries(layout::kHeaderSize);
    if (!header)
        return {ParseStatus::CannotOpen, "The command file cannot be opened for reading",
                utf8Of(file_)};
    properties_.modified = modificationTime(file_).value_or(FileTime{});
    std::error_code ec;
    const auto size = std::filesystem::file_size(file_, ec);
    properties_.size = ec ? 0 : size;
    if (decodeHeader(*header, properties_) && properties_.generation == layout::Generation::Unknown)
        return {
            ParseStatus::NotACommandFile,
            "This is not a command file: its header names no format of Dragon's (version code " +
                std::to_string(static_cast<unsigned>(
                    static_cast<unsigned char>((*header)[layout::kVersionOffset]))) +
                ")",
            utf8Of(file_)};
    success_ = true;

    try {
        if (!force && storeIsCurrent()) {
            ctx_.status.setCount(countLabel(statements::countCommands(ctx_.store),
                                            statements::countLists(ctx_.store)));
            return {ParseStatus::Current, {}, {}};
        }
    } catch (const StoreError& error) {
        return {error.damaged() ? ParseStatus::StoreDamaged : ParseStatus::StoreFailed,
                error.what(), utf8Of(file_)};
    }
    const auto image = readWithRetries(kLargestImage);
    if (!image)
        return {ParseStatus::CannotOpen, "The command file cannot be opened for reading",
                utf8Of(file_)};
    properties_.size = image->size();
    return parseImage(*image, file_);
}

// Another program may hold the file open for a moment: a few tries, a short wait between them.
std::optional<std::string> Parser::readWithRetries(std::uint64_t count) {
    std::optional<std::string> bytes;
    for (int retry = 0; !(bytes = ctx_.readStart(file_, count));) {
        if (++retry >= ctx_.openAttempts)
            return std::nullopt;
        std::this_thread::sleep_for(ctx_.retryWait);
        ctx_.status.setCount("retrying: " + std::to_string(retry));
        ctx_.trace.mark("retrying: ", std::to_string(retry));
    }
    return bytes;
}

// The store holds this file unchanged: same file, same modification time.
bool Parser::storeIsCurrent() {
    Parameters parameters(ctx_.store);
    const auto time = parameters.get(Parameters::Text::mycmdstime);
    return time && *time == properties_.modified.stored() &&
           parameters.get(Parameters::Text::mycmdsfile) == normalizedPath(file_);
}

ParseResult Parser::parseImage(std::string_view image, const std::filesystem::path& file) {
    file_ = file;
    damage_.clear();
    if (!decodeHeader(image, properties_))
        properties_.generation = layout::Generation::Unknown;
    success_ = true;
    commandCount_ = listCount_ = notLoaded_ = 0;

    ctx_.trace.mark("b4 processing");
    ctx_.status.setProgress("Processing " + utf8Of(file.filename()));
    ctx_.status.showNow();

    ParseResult result;
    try {
        // One transaction: a 60,000-command parse commits once, and a parse that cannot start
        // (no key names, a store failure) leaves the store as it was.
        // The store is a cache of the file: while it is rebuilt nothing waits for the disk. A
        // crash part way leaves the previous commit in place, or a damaged store that the next
        // start detects and rebuilds.
        const BulkLoad bulk(ctx_.store);
        Transaction transaction(ctx_.store);
        // Emptied first, the indexes are dropped at no cost.
        statements::deleteFileRows(ctx_.store);
        dropUserIndexes(ctx_.store);
        statements::deleteStates(ctx_.store);
        DuplicateLog duplicates(FileOps::system(), ctx_.home.file(files::kDuplicateLog));

        ctx_.trace.mark("binary before keynames", utf8Of(file));
        auto keys = KeyNames::load(ctx_.home.file(files::kKeyNames));
        if (!keys)
            return {ParseStatus::KeyNamesMissing, "Required file 'keynames' missing", "Reinstall"};

        Run run(*this, image, file, std::move(*keys), duplicates);
        success_ = run.walk();
        createUserIndexes(ctx_.store);

        // After damage the time stays unset, so the next start parses the file again.
        Parameters parameters(ctx_.store);
        parameters.set(Parameters::Text::mycmdstime,
                       success_ ? std::optional(properties_.modified.stored()) : std::nullopt);
        parameters.set(Parameters::Text::mycmdsfile,
                       success_ ? std::optional(normalizedPath(file)) : std::nullopt);
        transaction.commit();
        duplicates.close();
        if (!success_)
            result = {ParseStatus::Damaged, "The above file has a problem - parsing error",
                      utf8Of(file)};
    } catch (const StoreError& error) {
        success_ = false;
        result = {error.damaged() ? ParseStatus::StoreDamaged : ParseStatus::StoreFailed,
                  error.what(), utf8Of(file)};
    }
    ctx_.status.setProgress("");
    ctx_.trace.mark("binary done");
    return result;
}

} // namespace qmk
