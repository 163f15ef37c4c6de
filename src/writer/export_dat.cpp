#include "writer/export_dat.h"

#include "common/codepage.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "format/duplicate_log.h"
#include "format/file_properties.h"
#include "format/image_writer.h"
#include "format/record.h"
#include "store/statements.h"
#include "writer/check_string.h"
#include "writer/export_store.h"
#include "writer/guarded_write.h"
#include "writer/list_names.h"
#include "writer/rebuilds.h"
#include "writer/record_walker.h"

#include <sstream>

namespace qmk {

namespace {

constexpr std::size_t kListsPerName = 30;

// One command record of the target being built: its bytes in the record buffer.
struct TargetRecord {
    std::size_t start = 0;
    std::size_t size = 0;
    bool removed = false; // replaced by a newer copy
};

// The target's file name for the duplicate log, in the code page when it has the characters.
std::string logName(const std::filesystem::path& target) {
    auto encoded = codepage::fromUtf8(utf8Of(target.filename()));
    return encoded.ok ? std::move(encoded.bytes) : utf8Of(target.filename());
}

ExportEntry entryOf(const RecordContext& c, bool isList, std::size_t record) {
    return {isList ? ItemType::List : itemTypeOf(c.typeByte, c.graphicSize), isList, record};
}

class Export {
public:
    Export(UpdateEngine& source, const Selection& rows, const std::filesystem::path& target,
           ExportMode mode, const DuplicateQuestion& ask)
        : source_(source), rows_(rows), target_(target), mode_(mode), ask_(ask),
          home_(source.context().home), filename_(logName(target)),
          duplicates_(source.context().files, home_.file(files::kDuplicateLog)) {}

    // The change log is written whole when the export ends, however it ends.
    ExportResult run() {
        auto result = runSteps();
        if (logging_)
            source_.context().files.writeLog(home_.file(files::kChangeLog), log_.str());
        return result;
    }

private:
    ExportResult runSteps() {
        ExportResult result;
        if (!source_.load())
            return refused("The command file cannot be read", source_.context().commandFile);
        const auto image = source_.image();
        if (image.size() < layout::kHeaderSize)
            return refused("This is not a command file", source_.context().commandFile);
        logging_ = true;

        if (auto refusal = openTarget(image))
            return *refusal;
        std::optional<ExportResult> stopped;
        if (auto refusal =
                guardedWalk(walking_, last_, home_, source_.context().files, utf8Of(target_), [&] {
                    registerTarget();
                    if (!exportSelected(result))
                        stopped = cancelled();
                    else
                        stopped = addLists(result);
                }))
            return {*refusal};
        if (stopped)
            return *stopped;
        return finish(result);
    }

    ExportResult refused(const std::string& message, const std::filesystem::path& title) {
        return {Outcome::refused(message, utf8Of(title))};
    }

    ExportResult cancelled() {
        ExportResult result{
            Outcome::refused("Export cancelled; the target was not changed", utf8Of(target_))};
        result.result.code = Outcome::Code::Cancelled;
        return result;
    }

    std::optional<ExportResult> openTarget(std::string_view sourceImage) {
        const auto version = static_cast<std::uint8_t>(sourceImage[layout::kVersionOffset]);
        const auto language = static_cast<std::uint8_t>(sourceImage[layout::kLanguageOffset]);
        if (mode_ != ExportMode::Append) {
            targetImage_ = rebuiltHeader(version, language);
            appendU32(targetImage_, 0);
            return std::nullopt;
        }
        auto existing = readWholeFile(target_);
        if (!existing || existing->size() < layout::kHeaderSize + 4)
            return refused("The Export file cannot be read as a command file", target_);
        if (static_cast<std::uint8_t>((*existing)[layout::kVersionOffset]) != version)
            return refused("Can't Append to different version --Check .dat file", target_);
        if (static_cast<std::uint8_t>((*existing)[layout::kLanguageOffset]) != language)
            return refused("Can't Append to different language version --Check .dat file(s)  "
                           "Properties",
                           target_);
        targetImage_ = std::move(*existing);
        return std::nullopt;
    }

    // The LIST names a row's name holds, for the LISTs that go with the commands.
    void noteListNames(std::string_view name) {
        if (name.find('<') == std::string_view::npos)
            return;
        for (auto& list : listNamesIn(name, kListsPerName))
            listNames_.push_back(std::move(list));
    }

    // Row adding: a row whose key the store holds is logged as a duplicate and not added.
    void addRow(const RecordContext& context, bool isList, std::size_t record) {
        bool added = false;
        const auto held = store_.add({context.program, context.scope, context.name},
                                     entryOf(context, isList, record), added);
        if (added)
            noteListNames(context.name);
        else
            duplicates_.add(filename_, letterOf(store_.at(held).type), context.name,
                            context.program, context.scope);
    }

    // Walks a command record onto the end of the record buffer.
    RecordContext walkRecord(const RecordWalker& walker, std::uint32_t position,
                             std::uint32_t& end) {
        const auto start = commands_.size();
        auto context = walker.walkCommand(position, false, {}, commands_, end);
        records_.push_back({start, commands_.size() - start, false});
        last_ = context.name;
        return context;
    }

    // What the target holds already: its commands and LISTs go into the export store.
    void registerTarget() {
        const auto generation =
            layout::findGeneration(static_cast<std::uint8_t>(targetImage_[layout::kVersionOffset]));
        generation_ = generation ? generation->generation : layout::Generation::Unknown;
        walking_ = targetImage_;
        commands_.assign(targetImage_, 0, layout::kHeaderSize);
        RecordWalker walker(targetImage_, generation_, generation_);
        ImageReader header(targetImage_);
        const auto count = header.u16At(layout::kCommandCountPosition);
        std::uint32_t position = layout::kFirstRecordPosition;
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint32_t end = 0;
            const auto context = walkRecord(walker, position, end);
            addRow(context, false, records_.size() - 1);
            position = end;
        }
        listsAt_ = position;
        ImageReader lists(targetImage_, listsAt_);
        savedListCount_ = lists.u16At(listsAt_);
        position = listsAt_ + 4;
        for (std::uint32_t i = 0; i < savedListCount_; ++i) {
            std::string scratch;
            std::uint32_t end = 0;
            const auto list = walker.copyList(position, scratch, end);
            addRow(list, true, ExportStore::kNone);
            position = end;
        }
        log_ << "Exportcommands= " << count << " Original Exportcommands, offset, lists "
             << listsAt_ << ' ' << savedListCount_ << kCrLf;
    }

    // The selected commands of the open file, in file order; false when the user cancelled.
    bool exportSelected(ExportResult& result) {
        const auto image = source_.image();
        walking_ = image;
        RecordWalker walker(image, source_.generation(), generation_);
        const auto selected = statements::recordsInFileOrder(source_.context().store, rows_,
                                                             source_.storedOffsetLists());
        commands_.reserve(commands_.size() + image.size());
        store_.reserve(records_.size() + selected.size());
        DuplicateAnswers answers(ask_);
        std::string ids;
        for (const auto& [id, offset] : selected) {
            ids += std::to_string(id);
            ids += kCrLf;
            std::uint32_t end = 0;
            ImageReader name(image, offset);
            store_.prefetch(readRecordName(name));
            const auto context = walkRecord(walker, offset, end);
            const auto entry = entryOf(context, false, records_.size() - 1);
            bool added = false;
            const auto existing =
                store_.add({context.program, context.scope, context.name}, entry, added);
            if (!added) {
                const auto answer = answers.answer({codepage::toUtf8(context.name),
                                                    codepage::toUtf8(context.program),
                                                    codepage::toUtf8(context.scope)});
                if (answer == DuplicateAnswer::CancelExport) {
                    log_ << ids;
                    return false;
                }
                if (answer == DuplicateAnswer::No || answer == DuplicateAnswer::NoToAll) {
                    commands_.resize(records_.back().start);
                    records_.pop_back();
                    ++result.kept;
                    continue;
                }
                // The key now stands for the newest copy, so that a third copy of one command
                // replaces the second and the target keeps one.
                auto& held = store_.at(existing);
                if (held.record < records_.size())
                    records_[held.record].removed = true;
                held = entry;
                ++result.replaced;
            }
            noteListNames(context.name);
            ++result.exported;
            ++result.byType[typeDisplayName(entry.type)];
        }
        log_ << ids;
        return true;
    }

    // Every LIST a command of the target names goes with it, once.
    std::optional<ExportResult> addLists(ExportResult& result) {
        const std::string global(kGlobalCommands);
        const auto image = source_.image();
        // The keys of the LISTs added view these names: they stay until the export ends.
        const auto noted = listNames_.size();
        RecordWalker walker(image, source_.generation(), generation_);
        // LISTs found here name no further LISTs, so the names noted so far are all there are.
        for (std::size_t i = 0; i < noted; ++i) {
            const std::string_view name = listNames_[i];
            const ExportKey key{kGlobalCommands, kGlobalCommands, name};
            if (store_.find(key) != ExportStore::kNone)
                continue;
            const auto offset =
                statements::globalListOffset(source_.context().store, codepage::toUtf8(name));
            const bool found = offset != 0;
            if (!found)
                return refused("fatal Export not found LIST error", target_);
            std::uint32_t end = 0;
            const auto list = walker.copyList(static_cast<std::uint32_t>(offset), newLists_, end);
            bool added = false;
            store_.add(key, entryOf(list, true, ExportStore::kNone), added);
            ++result.lists;
        }
        return std::nullopt;
    }

    ExportResult finish(ExportResult& result) {
        // The record buffer becomes the target: replaced copies are squeezed out in place.
        std::string bytes = std::move(commands_);
        std::size_t kept = layout::kHeaderSize;
        std::uint32_t commands = 0;
        for (const auto& record : records_) {
            if (record.removed)
                continue;
            if (record.start != kept)
                bytes.replace(kept, record.size, bytes, record.start, record.size);
            kept += record.size;
            ++commands;
        }
        bytes.resize(kept);
        const auto listsAt = static_cast<std::uint32_t>(bytes.size()) + 1;
        appendU32(bytes, savedListCount_ + static_cast<std::uint32_t>(result.lists));
        bytes.append(targetImage_, listsAt_ + 3); // the saved LIST records
        bytes += newLists_;
        // A file's counts hold at most 65,535 records: past that it would read as another file.
        const auto lists = savedListCount_ + static_cast<std::uint32_t>(result.lists);
        if (commands > layout::kLargestRecordCount || lists > layout::kLargestRecordCount) {
            result.result = Outcome::refused(
                "The export would give the target " + std::to_string(commands) + " commands and " +
                    std::to_string(lists) +
                    " LISTs; a command file holds at most 65,535 of each. Nothing was written.",
                utf8Of(target_));
            return result;
        }
        std::string count;
        appendU32(count, commands);
        bytes.replace(layout::kCommandCountPosition - 1, 4, count);
        try {
            writeTarget(
                source_.context().files,
                {target_, WriteTarget::Kind::CommandFile, source_.context().commandFile, {}}, bytes,
                mode_ == ExportMode::Append ? &targetImage_ : nullptr);
        } catch (const FileError& error) {
            result.result = Outcome::refused(error.what(), "The Export file was not changed");
            return result;
        }
        log_ << "ExportDATcopies= " << result.replaced << kCrLf << "ExportDATs= " << result.exported
             << kCrLf << "Exportcommands= " << commands << kCrLf << "outputoffset= " << listsAt
             << kCrLf << kCrLf << "outputoffset= " << listsAt << kCrLf << "lists= " << result.lists
             << kCrLf << kCrLf;
        source_.context().trace.mark("export done", utf8Of(target_));
        return result;
    }

    UpdateEngine& source_;
    const Selection& rows_;
    std::filesystem::path target_;
    ExportMode mode_;
    const DuplicateQuestion& ask_;
    ProgramDir home_;
    ExportStore store_;
    std::string filename_; // the target's file name, in the code page
    DuplicateLog duplicates_;
    std::ostringstream log_;
    bool logging_ = false;
    std::string targetImage_;
    layout::Generation generation_ = layout::Generation::Unknown;
    std::string commands_; // the header and command records of the target, old and new
    std::vector<TargetRecord> records_;
    std::vector<std::string> listNames_;
    std::uint32_t listsAt_ = 0;
    std::uint32_t savedListCount_ = 0;
    std::string newLists_;
    std::string_view walking_; // the image being walked
    std::string_view last_;    // the last name walked, in that image
};

} // namespace

ExportResult exportCommands(UpdateEngine& source, const Selection& rows,
                            const std::filesystem::path& target, ExportMode mode,
                            const DuplicateQuestion& ask) {
    return Export(source, rows, target, mode, ask).run();
}

} // namespace qmk
