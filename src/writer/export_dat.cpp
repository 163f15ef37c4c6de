#include "writer/export_dat.h"

#include "common/text.h"
#include "format/codepage.h"
#include "format/file_properties.h"
#include "format/keynames.h"
#include "format/record.h"
#include "store/parameters.h"
#include "store/statements.h"
#include "store/user_rows.h"
#include "writer/check_string.h"
#include "writer/list_names.h"
#include "writer/rebuilds.h"
#include "writer/record_walker.h"

#include <fstream>
#include <unordered_set>

namespace qmk {

namespace {

constexpr std::size_t kListsPerName = 30;

// One command record of the target being built, by its bytes.
struct TargetRecord {
    std::string bytes;
    bool removed = false; // replaced by a newer copy
};

// The `user` row of a walked record, for the export store.
UserRow rowOf(const RecordContext& c, const std::string& filename, std::uint32_t offset,
              bool isList) {
    UserRow row;
    row.filename = filename;
    row.menu =
        c.program == kGlobalCommands ? c.program : codepage::toUtf8(codepage::toUpper(c.program));
    row.state = codepage::toUtf8(c.scope);
    row.name = codepage::toUtf8(c.name);
    row.description = codepage::toUtf8(c.description);
    row.owner = codepage::toUtf8(c.group);
    row.script = codepage::toUtf8(c.body());
    row.offset = offset;
    if (isList) {
        row.Type = "L";
        row.scope = "G";
        row.lists = 1;
    } else {
        row.offsetbody = offset ? c.bodyStart : 0; // positions in the target, when known
        row.scope = c.availability == 0 ? "G" : c.availability == 1 ? "A" : "W";
        switch (c.typeByte) {
        case layout::kTextAndGraphics:
            row.Type = c.graphicSize ? "T" : "P";
            break;
        case layout::kMacroRecorder:
            row.Type = "R";
            break;
        case layout::kStepByStep:
            row.Type = "X";
            break;
        case layout::kAdvancedScripting:
            row.Type = "A";
            break;
        case layout::kScript:
            row.Type = "S";
            break;
        case layout::kKeystrokes:
            row.Type = "K";
            break;
        default:
            break;
        }
        row.graphicsize = c.graphicSize;
        row.encrypted = c.encrypted;
    }
    row.Global = isGlobalCommandsName(c.program) && isGlobalCommandsName(c.scope);
    deriveColumns(row);
    return row;
}

class Export {
public:
    Export(UpdateEngine& source, const std::filesystem::path& target, ExportMode mode,
           const DuplicateQuestion& ask)
        : source_(source), target_(target), mode_(mode), ask_(ask), home_(source.context().home),
          store_(openCommandStore(home_.file(files::kExportStore))), rows_(*store_),
          lookUp_(store_->prepare(UserTable::selectSql() +
                                  " WHERE menu = ? AND state = ? AND name = ? ORDER BY user.ID "
                                  "LIMIT 1")),
          keys_(KeyNames::load(home_.file(files::kKeyNames)).value_or(KeyNames{})),
          filename_(target.filename().string()) {}

    ExportResult run() {
        ExportResult result;
        if (!source_.load())
            return refused("The command file cannot be read", source_.context().commandFile);
        const auto image = source_.image();
        if (image.size() < layout::kHeaderSize)
            return refused("This is not a command file", source_.context().commandFile);
        statements::emptyTables(*store_);
        Parameters(*store_).set(Parameters::Number::OffsetLists, layout::kFirstRecordPosition);
        std::ofstream(home_.file(files::kDuplicateLog), std::ios::trunc);
        log_.open(home_.file(files::kChangeLog), std::ios::binary | std::ios::trunc);

        if (auto refusal = openTarget(image))
            return *refusal;
        // The export store is scratch: one transaction for all its rows.
        Transaction transaction(*store_);
        std::optional<ExportResult> stopped;
        if (auto refusal = guardedWalk(walking_, last_, home_, target_.string(), [&] {
                if ((stopped = registerTarget()))
                    return;
                if (!exportMarked(result))
                    stopped = cancelled();
                else
                    stopped = addLists(result);
            }))
            return {*refusal};
        if (stopped)
            return *stopped;
        auto finished = finish(result);
        transaction.commit();
        return finished;
    }

private:
    ExportResult refused(const std::string& message, const std::filesystem::path& title) {
        return {EditResult::refused(message, title.string())};
    }

    ExportResult cancelled() {
        ExportResult result{
            EditResult::refused("Export cancelled; the target was not changed", target_.string())};
        result.cancelled = true;
        return result;
    }

    std::optional<ExportResult> openTarget(std::string_view sourceImage) {
        const auto version = static_cast<std::uint8_t>(sourceImage[layout::kVersionOffset]);
        const auto language = static_cast<std::uint8_t>(sourceImage[layout::kLanguageOffset]);
        if (mode_ != ExportMode::Append) {
            target_image_ = rebuiltHeader(version, language);
            appendU32(target_image_, 0);
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
        target_image_ = std::move(*existing);
        return std::nullopt;
    }

    bool add(const UserRow& row) {
        try {
            rows_.add(row);
            return true;
        } catch (const StoreError& error) {
            log_ << "not added to the export store: " << row.name << " (" << error.what() << ")"
                 << kCrLf;
            return false;
        }
    }

    // Adds the row unless one with its Program, Scope and name is there already.
    std::int64_t addOnce(const UserRow& row) {
        if (const auto found = lookUp(row.menu, row.state, row.name))
            return found->ID;
        return add(row) ? store_->lastInsertId() : 0;
    }

    std::optional<UserRow> lookUp(const std::string& menu, const std::string& state,
                                  const std::string& name) {
        lookUp_.reset();
        lookUp_.bind(1, menu).bind(2, state).bind(3, name);
        if (!lookUp_.step())
            return std::nullopt;
        auto row = UserTable::rowFrom(lookUp_);
        lookUp_.reset();
        return row;
    }

    // What the target holds already: its commands and LISTs go into the export store.
    std::optional<ExportResult> registerTarget() {
        const auto generation = layout::findGeneration(
            static_cast<std::uint8_t>(target_image_[layout::kVersionOffset]));
        generation_ = generation ? generation->generation : layout::Generation::Unknown;
        walking_ = target_image_;
        RecordWalker walker(target_image_, generation_, generation_, keys_);
        ImageReader header(target_image_);
        const auto count = header.u16At(layout::kCommandCountPosition);
        std::uint32_t position = layout::kFirstRecordPosition;
        for (std::uint32_t i = 0; i < count; ++i) {
            TargetRecord record;
            std::uint32_t end = 0;
            const auto context = walker.walkCommand(position, false, {}, record.bytes, end);
            const auto id = addOnce(rowOf(context, filename_, position, false));
            recordOfRow_[id] = records_.size();
            records_.push_back(std::move(record));
            last_ = context.name;
            position = end;
        }
        listsAt_ = position;
        ImageReader lists(target_image_, listsAt_);
        savedListCount_ = lists.u16();
        position = listsAt_ + 4;
        for (std::uint32_t i = 0; i < savedListCount_; ++i) {
            std::string scratch;
            std::uint32_t end = 0;
            const auto list = walker.copyList(position, scratch, end);
            addOnce(rowOf(list, filename_, position, true));
            position = end;
        }
        log_ << "Exportcommands= " << count << " Original Exportcommands, offset, lists "
             << listsAt_ << ' ' << savedListCount_ << kCrLf;
        return std::nullopt;
    }

    // The marked commands of the open file, in file order; false when the user cancelled.
    bool exportMarked(ExportResult& result) {
        const auto image = source_.image();
        walking_ = image;
        RecordWalker walker(image, source_.generation(), generation_, keys_);
        auto marked = source_.context().store.prepare(
            "SELECT user.ID, user.menu, user.state, user.name, positions.offset FROM user JOIN "
            "positions ON positions.ID = user.ID WHERE user.flag = 1 AND user.Type <> 'L' AND "
            "positions.filerecord = 1 ORDER BY positions.offset");
        std::optional<DuplicateAnswer> always;
        while (marked.step()) {
            log_ << marked.integer(0) << kCrLf;
            const auto existing = lookUp(marked.text(1), marked.text(2), marked.text(3));
            if (existing) {
                // Without a question to ask, the target keeps its own command.
                auto answer = always ? *always : ask_ ? ask_(marked.text(3)) : DuplicateAnswer::No;
                if (answer == DuplicateAnswer::CancelExport)
                    return false;
                if (answer == DuplicateAnswer::YesToAll || answer == DuplicateAnswer::NoToAll)
                    always = answer;
                if (answer == DuplicateAnswer::No || answer == DuplicateAnswer::NoToAll)
                    continue;
                store_->prepare("UPDATE user SET flag = 1 WHERE ID = ?")
                    .bind(1, existing->ID)
                    .run();
                if (const auto old = recordOfRow_.find(existing->ID); old != recordOfRow_.end())
                    records_[old->second].removed = true;
                ++result.replaced;
            }
            TargetRecord record;
            std::uint32_t end = 0;
            const auto offset = static_cast<std::uint32_t>(marked.integer(4));
            const auto context = walker.walkCommand(offset, false, {}, record.bytes, end);
            if (add(rowOf(context, filename_, 0, false)))
                recordOfRow_[store_->lastInsertId()] = records_.size();
            records_.push_back(std::move(record));
            last_ = context.name;
            ++result.exported;
        }
        return true;
    }

    // Every LIST a command of the target names goes with it, once.
    std::optional<ExportResult> addLists(ExportResult& result) {
        std::unordered_set<std::string> held;
        std::vector<std::string> names;
        rows_.forEach([&](const UserRow& row) {
            if (row.Type == "L")
                held.insert(row.name);
            else
                for (auto& name : ExtractListNames(row.name, kListsPerName))
                    names.push_back(std::move(name));
        });
        const std::string global(kGlobalCommands);
        const auto image = source_.image();
        RecordWalker walker(image, source_.generation(), generation_, keys_);
        for (const auto& name : names) {
            if (held.contains(name))
                continue;
            auto master = source_.context().store.prepare(
                "SELECT positions.offset FROM user JOIN positions ON positions.ID = user.ID WHERE "
                "menu = ? AND state = ? AND name = ? AND Type = 'L' AND positions.filerecord = 1");
            master.bind(1, global).bind(2, global).bind(3, name);
            if (!master.step())
                return refused("fatal Export not found LIST error", target_);
            std::uint32_t end = 0;
            const auto list =
                walker.copyList(static_cast<std::uint32_t>(master.integer(0)), newLists_, end);
            add(rowOf(list, filename_, 0, true));
            held.insert(name);
            ++result.lists;
        }
        return std::nullopt;
    }

    ExportResult finish(ExportResult& result) {
        std::string bytes = target_image_.substr(0, layout::kHeaderSize);
        std::uint32_t commands = 0;
        for (const auto& record : records_) {
            if (record.removed)
                continue;
            bytes += record.bytes;
            ++commands;
        }
        const auto listsAt = static_cast<std::uint32_t>(bytes.size()) + 1;
        appendU32(bytes, savedListCount_ + static_cast<std::uint32_t>(result.lists));
        bytes.append(target_image_, listsAt_ + 3); // the saved LIST records
        bytes += newLists_;
        std::string count;
        appendU32(count, commands);
        bytes.replace(layout::kCommandCountPosition - 1, 4, count);
        try {
            source_.context().files.replaceFile(target_, bytes);
        } catch (const FileError& error) {
            result.result = EditResult::refused(error.what(), "The Export file was not changed");
            return result;
        }
        Parameters(*store_).set(Parameters::Number::OffsetLists, listsAt);
        log_ << "ExportDATcopies= " << result.replaced << kCrLf << "ExportDATs= " << result.exported
             << kCrLf << "Exportcommands= " << commands << kCrLf << "outputoffset= " << listsAt
             << kCrLf << kCrLf << "lists= " << result.lists << kCrLf << kCrLf;
        source_.context().trace.Tracy("export done", target_.string());
        return result;
    }

    UpdateEngine& source_;
    std::filesystem::path target_;
    ExportMode mode_;
    const DuplicateQuestion& ask_;
    ProgramDir home_;
    std::unique_ptr<Database> store_;
    UserTable rows_;
    Statement lookUp_;
    KeyNames keys_;
    std::string filename_;
    std::ofstream log_;
    std::string target_image_;
    layout::Generation generation_ = layout::Generation::Unknown;
    std::vector<TargetRecord> records_;
    std::unordered_map<std::int64_t, std::size_t> recordOfRow_;
    std::uint32_t listsAt_ = 0;
    std::uint32_t savedListCount_ = 0;
    std::string newLists_;
    std::string_view walking_; // the image being walked
    std::string_view last_;    // the last name walked, in that image
};

} // namespace

ExportResult exportCommands(UpdateEngine& source, const std::filesystem::path& target,
                            ExportMode mode, const DuplicateQuestion& ask) {
    return Export(source, target, mode, ask).run();
}

} // namespace qmk
